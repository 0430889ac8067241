// Creates the plug-in's editor where the platform has an editor window.
#pragma once

#include "editor/panel_host.h"

class AEffEditor;
class AudioEffect;

// Constructing thread. Null where this build has no editor window.
AEffEditor* createEditor(AudioEffect* effect, orv::PanelHost& host);
