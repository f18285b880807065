// The System page: display device and mode, full screen, mouse, detail
// levels and sound. Every change goes into the settings record at once. Its
// class keeps the name CSetupOption, and the Option page's is CSetupCMD.
#pragma once

#include "framework/Button.h"
#include "framework/ComboBox.h"
#include "framework/SliderCtrl.h"
#include "ui/PageSkin.h"

// The user's answer to the save question: set by the page's OnOK, read once
// by the application after the sheet has closed.
extern bool saveConfirmed;

class CSetupOption : public CPageSkin {
public:
    static const CRuntimeClass runtimeClass;
    static const AFX_MSGMAP messageMap;

    const CRuntimeClass* GetRuntimeClass() const override;
    CSetupOption();
    ~CSetupOption() override;
    const AFX_MSGMAP* GetMessageMap() const override;

    // Sets every control from the settings record, refilling both lists.
    void RefreshControls();
    void FillDeviceCombo();
    // Chooses the device at deviceIndex for the record (ChooseDevice) and
    // lists its offered modes in modeList and the mode combo.
    void FillModeCombo();

    BOOL OnInitDialog() override;
    // Asks whether to save; the answer goes to saveConfirmed.
    void OnOK() override;

    CButton m_chkEffectOn;
    CButton m_chkBgmOn;
    CSliderCtrl m_sliderEffect;
    CSliderCtrl m_sliderBgm;
    CSliderCtrl m_sliderTexture;
    CSliderCtrl m_sliderSprite;
    CButton m_chkFullScreen;
    CComboBox m_comboMode;
    CComboBox m_comboDevice;
    CButton m_chkMouseExclusive;
    CButton m_chkNoSound;

protected:
    void DoDataExchange(CDataExchange* dx) override;

    static const AFX_MSGMAP_ENTRY messageEntries[];

    void OnFullScreenClicked();
    void OnSpriteReleased(NMHDR* header, LRESULT* result);
    void OnTextureReleased(NMHDR* header, LRESULT* result);
    void OnBgmVolumeReleased(NMHDR* header, LRESULT* result);
    void OnEffectVolumeReleased(NMHDR* header, LRESULT* result);
    void OnBgmOnClicked();
    void OnEffectOnClicked();
    void OnModeSelChange();
    void OnDeviceSelChange();
    void OnMouseExclusiveClicked();
    void OnNoSoundClicked();
    // Every move of a slider, by any input.
    void OnSliderScroll(UINT controlId);

private:
    // The record's field takes the state of the box or slider `controlId`.
    void StoreCheck(int controlId);
    void StoreSlider(int controlId);
};
