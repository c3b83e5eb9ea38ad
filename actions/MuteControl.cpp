// The mixer's mute switch, the road of muting on major version 5.
#include "actions/MuteControl.h"

#include "framework/Notice.h"

XPMuteControl::~XPMuteControl() {
    if (m_hMixer) ::mixerClose(m_hMixer);
}

void XPMuteControl::Init(DWORD componentType, DWORD sourceType) {
    if (m_bInitialised) return;
    // A mixer left open by an earlier failed attempt is closed, so each attempt starts afresh.
    if (m_hMixer) ::mixerClose(m_hMixer);
    m_hMixer = nullptr;
    m_caps = MIXERCAPSW{};

    if (::mixerGetNumDevs() >= 1) {
        HMIXER mixer = nullptr;
        if (::mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) return;
        m_hMixer = mixer;
        if (::mixerGetDevCapsW(0, &m_caps, sizeof(m_caps)) != MMSYSERR_NOERROR) return;
    }
    if (!m_hMixer) return;

    const HMIXEROBJ mixerObject = reinterpret_cast<HMIXEROBJ>(m_hMixer);
    MIXERLINEW line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = componentType;
    if (::mixerGetLineInfoW(mixerObject, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR) {
        return;
    }

    if (sourceType != kNoSourceLine) {
        const DWORD connections = line.cConnections;
        const DWORD destination = line.dwDestination;
        bool found = false;
        for (DWORD i = 0; i < connections; ++i) {
            line.cbStruct = sizeof(line);
            line.dwDestination = destination;
            line.dwSource = i;
            if (::mixerGetLineInfoW(mixerObject, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) !=
                MMSYSERR_NOERROR) {
                vp::PostNotice(L"XPMuteControl", L"GetLinInfo Resource faile!", MB_OK);
                continue;
            }
            if (line.dwComponentType == sourceType) {
                found = true;
                break;
            }
        }
        if (!found) {
            vp::PostNotice(L"XPMuteControl", L"GetLinInfo Resource out!", MB_OK);
            return;
        }
    }

    MIXERCONTROLW control{};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    if (::mixerGetLineControlsW(mixerObject, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR) {
        return;
    }
    m_dwControlId = control.dwControlID;
    m_bInitialised = 1;
}

void XPMuteControl::SetValue(BOOL value) {
    // Without a found control the identifier is 0, which names some other control of the mixer.
    if (!m_hMixer || !m_bInitialised) return;
    MIXERCONTROLDETAILS_BOOLEAN detail{};
    detail.fValue = value;
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = m_dwControlId;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof(detail);
    details.paDetails = &detail;
    ::mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(m_hMixer), &details,
                             MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
}
