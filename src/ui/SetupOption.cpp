#include "ui/SetupOption.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/SetupApp.h"
#include "display/DeviceTable.h"
#include "resource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"

namespace {

constexpr PageSkinStyle kSystemSkin = {IDB_SYSTEM_BACK, 0, true};
constexpr int kDetailMax = 2;
constexpr int kVolumeMax = 127;

// The usable devices (stored, with hardware rasterisation) in table order:
// line k of the device combo is entry k.
std::vector<const DeviceEntry*> UsableDevices()
{
    std::vector<const DeviceEntry*> devices;
    const DeviceEntry* table = GetDeviceTable();
    if (!table)
        return devices;
    uint32_t stored = GetStoredDeviceCount();
    if (stored > static_cast<uint32_t>(kDeviceTableSize))
        stored = kDeviceTableSize;
    for (uint32_t i = 0; i < stored; ++i) {
        if (table[i].hardware)
            devices.push_back(&table[i]);
    }
    return devices;
}

// A device name as a C string, even when the table filled all 40 bytes.
std::string NameOf(const DeviceEntry& device)
{
    return std::string(device.name, strnlen(device.name, sizeof(device.name)));
}

void CopyName(char (&target)[40], const DeviceEntry& device)
{
    const std::string name = NameOf(device);
    std::memset(target, 0, sizeof(target));
    std::memcpy(target, name.data(), name.size() < sizeof(target) ? name.size() : sizeof(target) - 1);
}

struct ToolTipEntry {
    int controlId;
    int nameIndex;
};

// In registration order; the keys are settingNames 40 to 50.
constexpr ToolTipEntry kToolTips[] = {
    {IDC_COMBO_DEVICE, kNameFirstSystemTip + 0},
    {IDC_COMBO_MODE, kNameFirstSystemTip + 1},
    {IDC_CHK_FULLSCREEN, kNameFirstSystemTip + 2},
    {IDC_CHK_MOUSE_EXCLUSIVE, kNameFirstSystemTip + 3},
    {IDC_SLIDER_SPRITE, kNameFirstSystemTip + 4},
    {IDC_SLIDER_TEXTURE, kNameFirstSystemTip + 5},
    {IDC_SLIDER_BGM, kNameFirstSystemTip + 6},
    {IDC_SLIDER_EFFECT, kNameFirstSystemTip + 7},
    {IDC_CHK_BGM_ON, kNameFirstSystemTip + 8},
    {IDC_CHK_EFFECT_ON, kNameFirstSystemTip + 9},
    {IDC_CHK_NOSOUND, kNameFirstSystemTip + 10},
};

void EnsureSaveDataFolder()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("savedata", &found);
    if (search == INVALID_HANDLE_VALUE)
        CreateDirectoryA("savedata", nullptr);
    else
        FindClose(search);
}

}  // namespace

const CRuntimeClass CSetupOption::runtimeClass = {"CSetupOption", &AfxCreateObject<CSetupOption>,
                                                  &CPropertyPage::runtimeClass};

const AFX_MSGMAP_ENTRY CSetupOption::messageEntries[] = {
    OnCommandEntry<&CSetupOption::OnFullScreenClicked>(BN_CLICKED, IDC_CHK_FULLSCREEN),
    OnNotifyEntry<&CSetupOption::OnSpriteReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_SPRITE),
    OnNotifyEntry<&CSetupOption::OnTextureReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_TEXTURE),
    OnNotifyEntry<&CSetupOption::OnBgmVolumeReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_BGM),
    OnNotifyEntry<&CSetupOption::OnEffectVolumeReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_EFFECT),
    OnCommandEntry<&CSetupOption::OnBgmOnClicked>(BN_CLICKED, IDC_CHK_BGM_ON),
    OnCommandEntry<&CSetupOption::OnEffectOnClicked>(BN_CLICKED, IDC_CHK_EFFECT_ON),
    OnCommandEntry<&CSetupOption::OnModeSelChange>(CBN_SELCHANGE, IDC_COMBO_MODE),
    OnCommandEntry<&CSetupOption::OnDeviceSelChange>(CBN_SELCHANGE, IDC_COMBO_DEVICE),
    OnMessageEntry<&CSetupOption::OnPaint>(WM_PAINT),
    OnCtlColorEntry<&CSetupOption::OnCtlColor>(),
    OnCommandEntry<&CSetupOption::OnMouseExclusiveClicked>(BN_CLICKED, IDC_CHK_MOUSE_EXCLUSIVE),
    OnCommandEntry<&CSetupOption::OnNoSoundClicked>(BN_CLICKED, IDC_CHK_NOSOUND),
};

const AFX_MSGMAP CSetupOption::messageMap = AfxMakeMessageMap(&CPropertyPage::messageMap, messageEntries);

CSetupOption::CSetupOption() : CPageSkin(IDD_SYSTEM_PAGE, kSystemSkin) {}

CSetupOption::~CSetupOption() = default;

const CRuntimeClass* CSetupOption::GetRuntimeClass() const
{
    return &runtimeClass;
}

const AFX_MSGMAP* CSetupOption::GetMessageMap() const
{
    return &messageMap;
}

void CSetupOption::DoDataExchange(CDataExchange* dx)
{
    CPageSkin::DoDataExchange(dx);
    DDX_Control(dx, IDC_CHK_EFFECT_ON, m_chkEffectOn);
    DDX_Control(dx, IDC_CHK_BGM_ON, m_chkBgmOn);
    DDX_Control(dx, IDC_SLIDER_EFFECT, m_sliderEffect);
    DDX_Control(dx, IDC_SLIDER_BGM, m_sliderBgm);
    DDX_Control(dx, IDC_SLIDER_TEXTURE, m_sliderTexture);
    DDX_Control(dx, IDC_SLIDER_SPRITE, m_sliderSprite);
    DDX_Control(dx, IDC_CHK_FULLSCREEN, m_chkFullScreen);
    DDX_Control(dx, IDC_COMBO_MODE, m_comboMode);
    DDX_Control(dx, IDC_COMBO_DEVICE, m_comboDevice);
    DDX_Control(dx, IDC_CHK_MOUSE_EXCLUSIVE, m_chkMouseExclusive);
    DDX_Control(dx, IDC_CHK_NOSOUND, m_chkNoSound);
}

BOOL CSetupOption::OnInitDialog()
{
    CPageSkin::OnInitDialog();
    LoadBackground();
    RefreshControls();
    SetupToolTips();
    m_bInitialized = true;
    return TRUE;
}

void CSetupOption::FillDeviceCombo()
{
    m_comboDevice.ResetContent();
    for (const DeviceEntry* device : UsableDevices())
        m_comboDevice.AddString(NameOf(*device).c_str());
    if (const CRegistry* record = CRegistry::Instance())
        m_comboDevice.SetCurSel(record->deviceIndex);
}

void CSetupOption::FillModeCombo()
{
    m_comboMode.ResetContent();
    CRegistry* record = CRegistry::Instance();
    if (!record)
        return;
    const std::vector<const DeviceEntry*> devices = UsableDevices();
    if (record->deviceIndex >= 0 && static_cast<size_t>(record->deviceIndex) < devices.size()) {
        const DeviceEntry& device = *devices[static_cast<size_t>(record->deviceIndex)];
        CopyName(record->deviceName, device);
        record->deviceGuid = device.deviceGuid;
        record->driverGuid = device.driverGuid;
        // modeList has room for 40 lines; line k and entry k stay in step.
        int line = 0;
        for (uint32_t i = 0; device.modes && i < device.modeCount && line < kModeListSize; ++i) {
            const DDSURFACEDESC2& mode = device.modes[i];
            if (!IsOfferedMode(mode))
                continue;
            const int width = static_cast<int>(mode.dwWidth);
            const int height = static_cast<int>(mode.dwHeight);
            const int bits = static_cast<int>(mode.ddpfPixelFormat.dwRGBBitCount);
            char text[48];
            std::snprintf(text, sizeof(text), "%d x %d x %d", width, height, bits);
            if (m_comboMode.AddString(text) < 0)
                break;
            modeList[line] = ModeEntry{width, height, 16};
            ++line;
        }
    }
    m_comboMode.SetCurSel(record->modeIndex);
}

void CSetupOption::RefreshControls()
{
    FillDeviceCombo();
    FillModeCombo();
    const CRegistry* record = CRegistry::Instance();
    if (!record)
        return;
    m_chkFullScreen.SetCheck(record->fullScreen);
    m_chkMouseExclusive.SetCheck(record->mouseExclusive);
    m_sliderSprite.SetRange(0, kDetailMax, TRUE);
    m_sliderSprite.SetPos(record->spriteMode);
    m_sliderTexture.SetRange(0, kDetailMax, TRUE);
    m_sliderTexture.SetPos(record->textureMode);
    m_sliderBgm.SetRange(0, kVolumeMax, TRUE);
    m_sliderBgm.SetPos(record->bgmVolume);
    m_chkBgmOn.SetCheck(record->bgmOn);
    m_sliderEffect.SetRange(0, kVolumeMax, TRUE);
    m_sliderEffect.SetPos(record->effectVolume);
    m_chkEffectOn.SetCheck(record->soundOn);
    m_chkNoSound.SetCheck(record->soundMode == 0 ? BST_CHECKED : BST_UNCHECKED);
}

void CSetupOption::SetupToolTips()
{
    m_toolTip.Create(this, 0);
    for (const ToolTipEntry& tip : kToolTips)
        AddToolTip(tip.controlId, tip.nameIndex);
}

void CSetupOption::OnOK()
{
    const char* question = CLuaHost::Instance().GetSetupMessage("ISOK");
    if (MessageBox(question ? question : "", "Setup", MB_OKCANCEL) == IDOK) {
        saveConfirmed = true;
        EnsureSaveDataFolder();
    } else {
        saveConfirmed = false;
    }
}

void CSetupOption::OnFullScreenClicked()
{
    if (CRegistry* record = CRegistry::Instance())
        record->fullScreen = m_chkFullScreen.GetCheck();
}

void CSetupOption::OnSpriteReleased(NMHDR* /*header*/, LRESULT* result)
{
    if (CRegistry* record = CRegistry::Instance())
        record->spriteMode = m_sliderSprite.GetPos();
    *result = 0;
}

void CSetupOption::OnTextureReleased(NMHDR* /*header*/, LRESULT* result)
{
    if (CRegistry* record = CRegistry::Instance())
        record->textureMode = m_sliderTexture.GetPos();
    *result = 0;
}

void CSetupOption::OnBgmVolumeReleased(NMHDR* /*header*/, LRESULT* result)
{
    if (CRegistry* record = CRegistry::Instance())
        record->bgmVolume = m_sliderBgm.GetPos();
    *result = 0;
}

void CSetupOption::OnEffectVolumeReleased(NMHDR* /*header*/, LRESULT* result)
{
    if (CRegistry* record = CRegistry::Instance())
        record->effectVolume = m_sliderEffect.GetPos();
    *result = 0;
}

void CSetupOption::OnBgmOnClicked()
{
    if (CRegistry* record = CRegistry::Instance())
        record->bgmOn = m_chkBgmOn.GetCheck();
}

void CSetupOption::OnEffectOnClicked()
{
    if (CRegistry* record = CRegistry::Instance())
        record->soundOn = m_chkEffectOn.GetCheck();
}

void CSetupOption::OnModeSelChange()
{
    CRegistry* record = CRegistry::Instance();
    const int line = m_comboMode.GetCurSel();
    // A notification without a selected line changes nothing: there is no
    // mode to copy.
    if (!record || line < 0 || line >= kModeListSize)
        return;
    record->modeIndex = line;
    record->bitsPerPixel = modeList[line].bitsPerPixel;
    record->width = modeList[line].width;
    record->height = modeList[line].height;
}

void CSetupOption::OnDeviceSelChange()
{
    CRegistry* record = CRegistry::Instance();
    const int line = m_comboDevice.GetCurSel();
    if (!record || line < 0)
        return;
    record->deviceIndex = line;
    FillModeCombo();
}

void CSetupOption::OnMouseExclusiveClicked()
{
    if (CRegistry* record = CRegistry::Instance())
        record->mouseExclusive = m_chkMouseExclusive.GetCheck();
}

void CSetupOption::OnNoSoundClicked()
{
    if (CRegistry* record = CRegistry::Instance())
        record->soundMode = m_chkNoSound.GetCheck() == BST_CHECKED ? 0 : 1;
}
