#pragma once

#include "app/ShellDialogs.h"

#include <deque>
#include <tuple>
#include <utility>
#include <vector>

// Stands in for the user at the file dialogs and the questions, and keeps every message and
// question the view shows. A question without a scripted answer is answered Discard where that
// is offered, else with the default button.
class CStandInDialogs : public IShellDialogs {
public:
    bool GetOpenPath(const QStringList& /*filters*/, QString& strPath) override {
        if (m_openPaths.empty()) {
            return false;
        }
        strPath = m_openPaths.front();
        m_openPaths.pop_front();
        return true;
    }
    bool GetSavePath(const QStringList& filters, const QStringList& startPaths, QString& strPath,
                     int& nFilter) override {
        m_saveFilters = filters;
        m_saveStarts.emplace_back(startPaths, nFilter);
        if (m_savePaths.empty()) {
            return false;
        }
        std::tie(strPath, nFilter) = m_savePaths.front();
        m_savePaths.pop_front();
        return true;
    }
    void ShowMessage(const QString& strCaption, const QString& strText) override {
        m_messages.emplace_back(strCaption, strText);
    }
    QMessageBox::StandardButton Ask(const QString& strCaption, const QString& strText,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override {
        m_questions.emplace_back(strCaption, strText);
        m_questionButtons.push_back(buttons);
        if (!m_answers.empty()) {
            const QMessageBox::StandardButton answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return buttons.testFlag(QMessageBox::Discard) ? QMessageBox::Discard : defaultButton;
    }

    std::deque<QString> m_openPaths;
    std::deque<std::pair<QString, int>> m_savePaths;
    std::deque<QMessageBox::StandardButton> m_answers;
    QStringList m_saveFilters;
    // What each Save As started with: the paths by filter and the filter.
    std::vector<std::pair<QStringList, int>> m_saveStarts;
    std::vector<std::pair<QString, QString>> m_messages;
    std::vector<std::pair<QString, QString>> m_questions;
    std::vector<QMessageBox::StandardButtons> m_questionButtons;
};
