#include "ui/SetupCMD.h"

#include "resource.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"

namespace {

// Entry k is switch k of commandFlags: its box, whose command key is
// settingNames 13 + k and whose tooltip key is settingNames 51 + k.
struct CommandBox {
    UINT controlId;
    CButton CSetupCMD::*box;
};

constexpr CommandBox kCommandBoxes[kCommandCount] = {
    {IDC_CMD_NOTRADE, &CSetupCMD::m_chkNotrade},
    {IDC_CMD_NOSHIFT, &CSetupCMD::m_chkNoshift},
    {IDC_CMD_NOCTRL, &CSetupCMD::m_chkNoctrl},
    {IDC_CMD_SKILLFAIL, &CSetupCMD::m_chkSkillfail},
    {IDC_CMD_NOTALKMSG, &CSetupCMD::m_chkNotalkmsg},
    {IDC_CMD_NOTALKMSG2, &CSetupCMD::m_chkNotalkmsg2},
    {IDC_CMD_SHOWNAME, &CSetupCMD::m_chkShowname},
    {IDC_CMD_FOG, &CSetupCMD::m_chkFog},
    {IDC_CMD_AURA, &CSetupCMD::m_chkAura},
    {IDC_CMD_WINDOW, &CSetupCMD::m_chkWindow},
    {IDC_CMD_MISS, &CSetupCMD::m_chkMiss},
    {IDC_CMD_EFFECT, &CSetupCMD::m_chkEffect},
    {IDC_CMD_SHOPPING, &CSetupCMD::m_chkShopping},
    {IDC_CMD_STATEINFO, &CSetupCMD::m_chkStateinfo},
    {IDC_CMD_LOGINOUT, &CSetupCMD::m_chkLoginout},
    {IDC_CMD_SNAP, &CSetupCMD::m_chkSnap},
    {IDC_CMD_ITEMSNAP, &CSetupCMD::m_chkItemsnap},
    {IDC_CMD_CAMERA, &CSetupCMD::m_chkCamera},
    {IDC_CMD_HOAI, &CSetupCMD::m_chkHoai},
    {IDC_CMD_MERAI, &CSetupCMD::m_chkMerai},
    {IDC_CMD_LIGHTMAP, &CSetupCMD::m_chkLightmap},
};

// Box k's tooltip key is settingNames 51 + k.
constexpr std::array<ToolTipEntry, kCommandCount> BuildToolTips()
{
    std::array<ToolTipEntry, kCommandCount> tips{};
    for (int k = 0; k < kCommandCount; ++k)
        tips[k] = {static_cast<int>(kCommandBoxes[k].controlId), kNameFirstCommandTip + k};
    return tips;
}

constexpr std::array<ToolTipEntry, kCommandCount> kToolTips = BuildToolTips();

constexpr PageSkinStyle kOptionSkin = {IDB_OPTION_BACK, 25, false, kToolTips.data(), kCommandCount};

}  // namespace

static_assert(CSetupCMD::kBoxCount == kCommandCount, "one box per command switch");

const CRuntimeClass CSetupCMD::runtimeClass = {"CSetupCMD", &AfxCreateObject<CSetupCMD>, &CPropertyPage::runtimeClass};

constexpr std::array<AFX_MSGMAP_ENTRY, CSetupCMD::kBoxCount + 2> CSetupCMD::BuildMessageEntries()
{
    std::array<AFX_MSGMAP_ENTRY, kBoxCount + 2> entries{};
    for (int k = 0; k < kBoxCount; ++k)
        entries[k] = OnCommandIdEntry<&CSetupCMD::OnCommandClicked>(BN_CLICKED, kCommandBoxes[k].controlId);
    entries[kBoxCount] = OnMessageEntry<&CSetupCMD::OnPaint>(WM_PAINT);
    entries[kBoxCount + 1] = OnCtlColorEntry<&CSetupCMD::OnCtlColor>();
    return entries;
}

const std::array<AFX_MSGMAP_ENTRY, CSetupCMD::kBoxCount + 2> CSetupCMD::messageEntries = BuildMessageEntries();

const AFX_MSGMAP CSetupCMD::messageMap = {&CPropertyPage::messageMap, messageEntries.data(), messageEntries.size()};

CSetupCMD::CSetupCMD() : CPageSkin(IDD_OPTION_PAGE, kOptionSkin) {}

CSetupCMD::~CSetupCMD() = default;

const CRuntimeClass* CSetupCMD::GetRuntimeClass() const
{
    return &runtimeClass;
}

const AFX_MSGMAP* CSetupCMD::GetMessageMap() const
{
    return &messageMap;
}

void CSetupCMD::DoDataExchange(CDataExchange* dx)
{
    CPageSkin::DoDataExchange(dx);
    for (const CommandBox& entry : kCommandBoxes)
        DDX_Control(dx, static_cast<int>(entry.controlId), this->*entry.box);
}

BOOL CSetupCMD::OnInitDialog()
{
    return InitPage(*this, &CSetupCMD::RefreshChecks);
}

void CSetupCMD::RefreshChecks()
{
    const CRegistry* record = CRegistry::Instance();
    if (!record)
        return;
    for (int k = 0; k < kBoxCount; ++k)
        (this->*kCommandBoxes[k].box).SetCheck(record->commandFlags[k]);
}

void CSetupCMD::OnCommandClicked(UINT id)
{
    CRegistry* record = CRegistry::Instance();
    if (!record)
        return;
    for (int k = 0; k < kBoxCount; ++k) {
        if (kCommandBoxes[k].controlId == id) {
            record->commandFlags[k] = (this->*kCommandBoxes[k].box).GetCheck();
            return;
        }
    }
}
