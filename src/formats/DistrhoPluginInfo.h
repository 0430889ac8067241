// What DPF builds the CLAP, VST3 and LV2 plug-ins and the JACK program from:
// the identity and the features of the effect in those formats.
#pragma once

#include "identity.h"

#define DISTRHO_PLUGIN_BRAND ORV_VENDOR_NAME
#define DISTRHO_PLUGIN_NAME ORV_EFFECT_NAME
#define DISTRHO_PLUGIN_URI ORV_LV2_URI
#define DISTRHO_PLUGIN_CLAP_ID ORV_CLAP_ID

// The panel is our own window inside the host's (DPF's external UI, embedded).
// Direct access keeps the VST3 plug-in one component and the LV2 panel in
// the plug-in's binary; the panel never uses the pointer it makes available.
#define DISTRHO_PLUGIN_HAS_UI 1
#define DISTRHO_PLUGIN_HAS_EXTERNAL_UI 1
#define DISTRHO_PLUGIN_HAS_EMBED_UI 1
#define DISTRHO_PLUGIN_WANT_DIRECT_ACCESS 1
#define DISTRHO_UI_USER_RESIZABLE 0
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_NUM_INPUTS 2
#define DISTRHO_PLUGIN_NUM_OUTPUTS 2
#define DISTRHO_PLUGIN_WANT_LATENCY 1
// MIDI controllers 20 to 24 arrive as MIDI input in CLAP, LV2 and the JACK
// program. DPF's VST3 turns MIDI input into 2080 hidden controller
// parameters, which hosts save, restore as 0 and count against their limits
// of automatable parameters; there hosts' MIDI learn reaches the parameters.
#if defined(DISTRHO_PLUGIN_TARGET_VST3)
#define DISTRHO_PLUGIN_WANT_MIDI_INPUT 0
#else
#define DISTRHO_PLUGIN_WANT_MIDI_INPUT 1
#endif
// Values the controllers change are announced to hosts that can hear of them.
#define DISTRHO_PLUGIN_WANT_PARAMETER_VALUE_CHANGE_REQUEST 1
#define DISTRHO_PLUGIN_WANT_STATE 1
#define DISTRHO_PLUGIN_WANT_FULL_STATE 1

#define DISTRHO_PLUGIN_LV2_CATEGORY "lv2:EQPlugin"
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Fx|Mastering|EQ|Stereo"
#define DISTRHO_PLUGIN_CLAP_FEATURES "audio-effect", "mastering", "equalizer", "stereo"
