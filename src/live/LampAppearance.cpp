#include "live/LampAppearance.h"

namespace kdx {

namespace {

constexpr Rgb kLime{0, 255, 0};
constexpr Rgb kFuchsia{255, 0, 255};
constexpr Rgb kAqua{0, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr int kFlashHz = 4;

} // namespace

LampAppearance LampAppearance::of(Lamp lamp)
{
    LampAppearance a;
    switch (lamp) {
    case Lamp::SystemOn:
        a.onColour = kFuchsia;
        break;
    case Lamp::MinRpmP1:
    case Lamp::MaxRpmP1:
    case Lamp::MinRpmP2:
    case Lamp::MaxRpmP2:
        a.onColour = kAqua;
        break;
    case Lamp::Serwis:
    case Lamp::OnDelayAuto:
    case Lamp::MaskMapOn:
    case Lamp::Empty:
    case Lamp::AutoMaxHum:
    case Lamp::AutoMinTemp:
    case Lamp::FatalErr1:
    case Lamp::FatalErr2:
        a.onColour = kRed;
        break;
    default:
        break;
    }
    return a;
}

LampAppearance LampAppearance::memoryError()
{
    LampAppearance a;
    a.onColour = kRed;
    a.flashHz = kFlashHz;
    a.width = a.height = 20;
    return a;
}

LampAppearance LampAppearance::saving()
{
    LampAppearance a;
    a.flashHz = kFlashHz;
    a.shape = Shape::Rectangle;
    a.width = 16;
    a.height = 14;
    return a;
}

LampAppearance LampAppearance::pumpWarning()
{
    LampAppearance a;
    a.onColour = kYellow;
    a.flashHz = kFlashHz;
    a.width = a.height = 20;
    return a;
}

LampAppearance LampAppearance::testResult()
{
    LampAppearance a;
    a.onColour = kBlue;
    a.offColour = kLime;
    a.flashHz = kFlashHz;
    a.shape = Shape::Rectangle;
    a.width = a.height = 80;
    return a;
}

} // namespace kdx
