#pragma once

#include <memory>

class CMainFrame;

// App-wide setup: names, icon and the main frame. Constructed once, after the QApplication.
class CVorkelnApp {
public:
    CVorkelnApp();
    ~CVorkelnApp();
    CVorkelnApp(const CVorkelnApp&) = delete;
    CVorkelnApp& operator=(const CVorkelnApp&) = delete;

    // Creates and shows the main frame; false if there is none to show.
    bool InitInstance();
    CMainFrame* GetMainFrame() const { return m_pMainWnd.get(); }

    // The organisation and program names, which also name the settings file.
    static void InitNames();

private:
    std::unique_ptr<CMainFrame> m_pMainWnd;
};
