// The Option page: one check box per in-game command switch.
#pragma once

#include <array>

#include "framework/Button.h"
#include "ui/PageSkin.h"

class CSetupCMD : public CPageSkin {
public:
    static constexpr int kBoxCount = 21;
    static const CRuntimeClass runtimeClass;
    static const AFX_MSGMAP messageMap;

    const CRuntimeClass* GetRuntimeClass() const override;
    CSetupCMD();
    ~CSetupCMD() override;
    const AFX_MSGMAP* GetMessageMap() const override;

    // Sets the 21 boxes from commandFlags.
    void RefreshChecks();

    BOOL OnInitDialog() override;

    CButton m_chkNotalkmsg2;
    CButton m_chkNotalkmsg;
    CButton m_chkLightmap;
    CButton m_chkMerai;
    CButton m_chkHoai;
    CButton m_chkCamera;
    CButton m_chkItemsnap;
    CButton m_chkSnap;
    CButton m_chkLoginout;
    CButton m_chkStateinfo;
    CButton m_chkShopping;
    CButton m_chkEffect;
    CButton m_chkMiss;
    CButton m_chkWindow;
    CButton m_chkAura;
    CButton m_chkFog;
    CButton m_chkShowname;
    CButton m_chkSkillfail;
    CButton m_chkNoctrl;
    CButton m_chkNoshift;
    CButton m_chkNotrade;

protected:
    void DoDataExchange(CDataExchange* dx) override;

    // The click handler of every box: the switch of box `id` takes the box's
    // check state.
    void OnCommandClicked(UINT id);

    // A BN_CLICKED entry per box in switch order, then painting and colours.
    static const std::array<AFX_MSGMAP_ENTRY, kBoxCount + 2> messageEntries;
    static constexpr std::array<AFX_MSGMAP_ENTRY, kBoxCount + 2> BuildMessageEntries();
};
