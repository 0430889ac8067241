// What DPF builds the CLAP, VST3 and LV2 plug-ins and the JACK program from:
// the identity and the features of the effect in those formats.
#pragma once

#define DISTRHO_PLUGIN_BRAND "ORV Works"
#define DISTRHO_PLUGIN_NAME "orvq41x(Velmar)"
#define DISTRHO_PLUGIN_URI "urn:orv-works:orvq41x"
#define DISTRHO_PLUGIN_CLAP_ID "works.orv.orvq41x"

#define DISTRHO_PLUGIN_HAS_UI 0
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_NUM_INPUTS 2
#define DISTRHO_PLUGIN_NUM_OUTPUTS 2
#define DISTRHO_PLUGIN_WANT_LATENCY 1
#define DISTRHO_PLUGIN_WANT_MIDI_INPUT 1
#define DISTRHO_PLUGIN_WANT_STATE 1
#define DISTRHO_PLUGIN_WANT_FULL_STATE 1

#define DISTRHO_PLUGIN_LV2_CATEGORY "lv2:EQPlugin"
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Fx|Mastering|EQ|Stereo"
#define DISTRHO_PLUGIN_CLAP_FEATURES "audio-effect", "mastering", "equalizer", "stereo"
