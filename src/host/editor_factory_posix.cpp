// The Linux build has no editor window yet: the effect declares no editor and
// the editor opcodes answer as for an effect without one.
#include "host/editor_factory.h"

AEffEditor* createEditor(AudioEffect*, orv::PanelHost&) { return nullptr; }
