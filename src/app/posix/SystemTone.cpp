#include "app/SystemTone.h"

#include "app/posix/AlsaTone.h"

namespace kdx {

std::unique_ptr<Tone> makeSystemTone() { return std::make_unique<AlsaTone>(); }

} // namespace kdx
