#pragma once

#include "app/CommandTarget.h"

#include <functional>
#include <set>
#include <vector>

// Stands in for the main view: records every command offered to it and handles those listed.
class CRecordingTarget : public ICommandTarget {
public:
    bool OnCommand(unsigned nID) override {
        m_commands.push_back(nID);
        if (m_fnOnCommand)
            m_fnOnCommand(nID);
        return m_handled.count(nID) != 0 || m_bHandleAll;
    }
    void SetFrameReport(IFrameReport* pFrame) override { m_pFrame = pFrame; }

    std::vector<unsigned> m_commands;
    std::set<unsigned> m_handled;
    bool m_bHandleAll = false;
    std::function<void(unsigned)> m_fnOnCommand;
    IFrameReport* m_pFrame = nullptr;
};
