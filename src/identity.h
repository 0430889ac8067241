/* Who the effect is, written once: the VST 2.4 library, the DPF formats
 * (DistrhoPluginInfo.h) and the build (CMake reads the file names from
 * here) all take it from this file. Plain C preprocessor, so that each of
 * them can read it. The version is the build's (CMake's project version,
 * handed in as ORV_VERSION_MAJOR, _MINOR and _PATCH). */
#ifndef ORV_IDENTITY_H
#define ORV_IDENTITY_H

#define ORV_EFFECT_NAME "orvq41x(Velmar)"
#define ORV_VENDOR_NAME "ORV Works"
#define ORV_PRODUCT_NAME "Velmar processor"
/* The unique ID of the VST 2.4 and the DPF formats: four characters. */
#define ORV_UNIQUE_ID_CHARS 'o', 'r', 'v', '1'
#define ORV_LV2_URI "urn:orv-works:orvq41x"
#define ORV_CLAP_ID "works.orv.orvq41x"

/* File names: the VST 2.4 library, and the plug-in bundles, modules and
 * the JACK program of the other formats. */
#define ORV_VST2_LIBRARY_NAME "orvq41x_x64"
#define ORV_PLUGIN_FILE_NAME "orvq41x"

#endif
