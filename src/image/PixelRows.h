#pragma once

#include <QRgb>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

// The two row operations that single-note updates of the keyboard spend their time in: painting
// the pixels of a small mask in one colour, and copying a small rectangle between two images of
// the same format. Where the processor has masked vector stores they write a whole masked row
// with one or two instructions; elsewhere, and when told to, plain loops do the same. Also the
// kind of memory pages such images are best kept in.
class CPixelRows {
public:
    // The widest mask row: bit i of a row stands for pixel i.
    static constexpr int kMaxMaskWidth = 64;

    // Writes clr to every pixel of nRows rows, nStride bytes apart from pFirst on, whose bit is
    // set in (pMasks[row] >> nShift) & qwClip. Pixels of cleared bits are neither read nor
    // written.
    static void FillMasked(uchar* pFirst, qsizetype nStride, const std::uint64_t* pMasks, int nRows,
                           int nShift, std::uint64_t qwClip, QRgb clr);
    // Copies nPixels pixels of nRows rows from pSrc to pDst; the areas do not overlap.
    static void Copy(uchar* pDst, qsizetype nDstStride, const uchar* pSrc, qsizetype nSrcStride,
                     int nPixels, int nRows);
    // Fills nPixels pixels of nRows rows from pDst on with the first nTile pixels of the rows
    // from pTile on, over and over: pixel i of a row is pixel i % nTile of its tile row. The
    // areas do not overlap.
    static void Repeat(uchar* pDst, qsizetype nDstStride, const uchar* pTile, qsizetype nTileStride,
                       int nTile, int nPixels, int nRows);

    // Whether the vector path is in use; it is by default where the processor has it. Turning
    // it on where it is missing changes nothing. Returns whether it is in use afterwards.
    static bool UseVectorPath(bool bUse);
    static bool IsVectorPathInUse();

    // Asks the system to back the nBytes from pBits on with large memory pages where it can:
    // rows a few kilobytes apart then share one address translation instead of needing one
    // each. bPopulated: the memory is in use already and is moved to large pages now (a few
    // milliseconds for a screen-sized image); otherwise it gets them as it is first written.
    // Changes nothing that is stored; where the system has no such pages it does nothing.
    static void PreferLargePages(void* pBits, std::size_t nBytes, bool bPopulated);
};
