#include "image/PixelRows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VORKELN_MASKED_STORES 1
#include <immintrin.h>
#endif

namespace {

constexpr int kPixelBytes = static_cast<int>(sizeof(QRgb));

#ifdef VORKELN_MASKED_STORES

bool HasMaskedStores() {
    // May run before the compiler's own start-up code has looked at the processor.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0;
}

// Sixteen pixels a store; lanes whose bit is clear are not touched, nor can they fault.
__attribute__((target("avx512f"))) void FillMaskedVector(uchar* pRow, qsizetype nStride,
                                                         const std::uint64_t* pMasks, int nRows,
                                                         int nShift, std::uint64_t qwClip,
                                                         QRgb clr) {
    const __m512i vColour = _mm512_set1_epi32(static_cast<int>(clr));
    for (int j = 0; j < nRows; ++j, pRow += nStride) {
        std::uint64_t qwMask = (pMasks[j] >> nShift) & qwClip;
        for (uchar* pPart = pRow; qwMask != 0; qwMask >>= 16, pPart += 16 * kPixelBytes) {
            // A ring's hole leaves whole parts empty: a store of nothing still waits for its line.
            if ((qwMask & 0xFFFFu) != 0) {
                _mm512_mask_storeu_epi32(pPart, static_cast<__mmask16>(qwMask & 0xFFFFu), vColour);
            }
        }
    }
}

__attribute__((target("avx512f"))) void CopyVector(uchar* pDst, qsizetype nDstStride,
                                                   const uchar* pSrc, qsizetype nSrcStride,
                                                   int nPixels, int nRows) {
    for (int j = 0; j < nRows; ++j, pDst += nDstStride, pSrc += nSrcStride) {
        for (int i = 0; i < nPixels; i += 16) {
            const int nLeft = nPixels - i;
            const auto wLanes = static_cast<__mmask16>(nLeft >= 16 ? 0xFFFFu : (1u << nLeft) - 1u);
            const qsizetype nOffset = static_cast<qsizetype>(i) * kPixelBytes;
            _mm512_mask_storeu_epi32(pDst + nOffset, wLanes,
                                     _mm512_maskz_loadu_epi32(wLanes, pSrc + nOffset));
        }
    }
}

bool g_bUseVector = HasMaskedStores();

#else

constexpr bool g_bUseVector = false;

#endif

void FillMaskedPlain(uchar* pRow, qsizetype nStride, const std::uint64_t* pMasks, int nRows,
                     int nShift, std::uint64_t qwClip, QRgb clr) {
    for (int j = 0; j < nRows; ++j, pRow += nStride) {
        std::uint64_t qwMask = (pMasks[j] >> nShift) & qwClip;
        auto* pPixels = reinterpret_cast<QRgb*>(pRow);
        while (qwMask != 0) {
            const int nStart = std::countr_zero(qwMask);
            const int nCount = std::countr_one(qwMask >> nStart);
            std::fill_n(pPixels + nStart, nCount, clr);
            const int nEnd = nStart + nCount;
            qwMask = nEnd >= 64 ? 0 : qwMask & ~((std::uint64_t{1} << nEnd) - 1u);
        }
    }
}

} // namespace

void CPixelRows::FillMasked(uchar* pFirst, qsizetype nStride, const std::uint64_t* pMasks,
                            int nRows, int nShift, std::uint64_t qwClip, QRgb clr) {
    if (nRows <= 0 || nShift < 0 || nShift >= kMaxMaskWidth) {
        return;
    }
#ifdef VORKELN_MASKED_STORES
    if (g_bUseVector) {
        FillMaskedVector(pFirst, nStride, pMasks, nRows, nShift, qwClip, clr);
        return;
    }
#endif
    FillMaskedPlain(pFirst, nStride, pMasks, nRows, nShift, qwClip, clr);
}

void CPixelRows::Copy(uchar* pDst, qsizetype nDstStride, const uchar* pSrc, qsizetype nSrcStride,
                      int nPixels, int nRows) {
    if (nPixels <= 0 || nRows <= 0) {
        return;
    }
#ifdef VORKELN_MASKED_STORES
    if (g_bUseVector && nPixels <= kMaxMaskWidth) {
        CopyVector(pDst, nDstStride, pSrc, nSrcStride, nPixels, nRows);
        return;
    }
#endif
    const auto nBytes = static_cast<std::size_t>(nPixels) * kPixelBytes;
    for (int j = 0; j < nRows; ++j, pDst += nDstStride, pSrc += nSrcStride) {
        std::memcpy(pDst, pSrc, nBytes);
    }
}

void CPixelRows::Repeat(uchar* pDst, qsizetype nDstStride, const uchar* pTile,
                        qsizetype nTileStride, int nTile, int nPixels, int nRows) {
    if (nTile <= 0 || nPixels <= 0 || nRows <= 0) {
        return;
    }
    const auto nTileBytes = static_cast<std::size_t>(nTile) * kPixelBytes;
    const auto nBytes = static_cast<std::size_t>(nPixels) * kPixelBytes;
    for (int j = 0; j < nRows; ++j, pDst += nDstStride, pTile += nTileStride) {
        // The tile's row stays in the cache while it is written again and again.
        for (std::size_t nDone = 0; nDone < nBytes; nDone += nTileBytes) {
            std::memcpy(pDst + nDone, pTile, std::min(nTileBytes, nBytes - nDone));
        }
    }
}

bool CPixelRows::UseVectorPath(bool bUse) {
#ifdef VORKELN_MASKED_STORES
    g_bUseVector = bUse && HasMaskedStores();
#else
    (void)bUse;
#endif
    return g_bUseVector;
}

bool CPixelRows::IsVectorPathInUse() {
    return g_bUseVector;
}

void CPixelRows::PreferLargePages(void* pBits, std::size_t nBytes, bool bPopulated) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole large pages inside the block can change; the rest stays as it is.
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto nBlock = reinterpret_cast<std::uintptr_t>(pBits);
    const std::uintptr_t nBegin = (nBlock + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t nEnd = (nBlock + nBytes) & ~(kLargePage - 1);
    if (pBits == nullptr || nEnd <= nBegin) {
        return;
    }
    void* pBegin = reinterpret_cast<void*>(nBegin);
    if (::madvise(pBegin, nEnd - nBegin, MADV_HUGEPAGE) != 0 || !bPopulated) {
        return;
    }
#if defined(MADV_COLLAPSE)
    constexpr int kCollapse = MADV_COLLAPSE;
#else
    constexpr int kCollapse = 25; // older headers; kernels before 6.1 refuse it
#endif
    ::madvise(pBegin, nEnd - nBegin, kCollapse);
#else
    (void)pBits;
    (void)nBytes;
    (void)bPopulated;
#endif
}
