#include "app/SystemTone.h"

#include "app/win/BeepTone.h"

namespace kdx {

std::unique_ptr<Tone> makeSystemTone() { return std::make_unique<BeepTone>(); }

} // namespace kdx
