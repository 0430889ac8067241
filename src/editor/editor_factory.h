// Creates the plug-in's editor where the platform has an editor window.
#pragma once

class AEffEditor;
class orvVst;

// Constructing thread. Null where this build has no editor window.
AEffEditor* createEditor(orvVst* effect);
