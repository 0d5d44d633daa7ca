#include "params/ParameterFieldText.h"

#include "params/ComboItems.h"
#include "params/NumberText.h"
#include "params/ParamConstants.h"

#include <cstdio>
#include <cstring>

namespace kdx {

namespace {

// Wide enough that no value of a 16-bit field falls into the exponent form.
constexpr int kFilePrecision = 12;

bool is(const Field& a, const Field& b) { return &a == &b || std::strcmp(a.name, b.name) == 0; }

const char* workModeName(int64_t mode)
{
    switch (mode) {
    case 0: return "auto";
    case 1: return "manual trigger";
    case 2: return "manual const";
    case 3: return "service";
    case 0xFF: return "off";
    default: return nullptr;
    }
}

// The item of the fuel type list, or empty.
std::string fuelTypeName(int64_t type)
{
    const auto items = ComboItems::fuelType();
    return type >= 0 && type < static_cast<int64_t>(items.size()) ? items[static_cast<size_t>(type)] : std::string();
}

std::string hexText(uint32_t value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

} // namespace

std::string ParameterFieldText::name(const Field& field, size_t entry)
{
    std::string n = field.name;
    if (field.count > 1)
        n += "[" + std::to_string(entry) + "]";
    return n;
}

const char* ParameterFieldText::unit(const Field& f)
{
    using namespace layout;
    if (is(f, MaxHum) || is(f, AutoHumVector))
        return "%";
    if (is(f, AutoMinTemp) || is(f, AutoTempVector))
        return "degC";
    if (is(f, MinLevH) || is(f, MinLevL) || is(f, AnKompSett))
        return "V";
    if (is(f, ManualTrigVector) || is(f, AutoPumpOnVector) || is(f, ManualMaxRpmP1) || is(f, ManualMinRpmP1)
        || is(f, ManualMaxRpmP2) || is(f, ManualMinRpmP2) || is(f, Auto2xShortOff))
        return "rpm";
    if (is(f, GeneralDelay) || f.scale == kTenth)
        return "s";
    return "";
}

std::string ParameterFieldText::value(const ParameterImage& image, const Field& f, size_t entry, char separator)
{
    using namespace layout;
    const int64_t v = image.value(f, entry);
    std::string text;
    if (is(f, ImageMarker))
        text = hexText(static_cast<uint32_t>(v), 4);
    else if (is(f, SerialNumber) || is(f, LogIdentity))
        text = hex32Text(static_cast<uint32_t>(v));
    else if (is(f, ConfigFlags))
        text = hexText(static_cast<uint32_t>(v), 2);
    else if (is(f, AnKompSett))
        text = fixedText(params::kComparatorBaseVolts + static_cast<double>(v) * params::kComparatorVoltsPerItem,
                         kFilePrecision, 2, separator);
    else if (f.scale == kTenth)
        text = fixedText(image.scaled(f, entry), kFilePrecision, 1, separator);
    else if (f.scale == kVoltsPerCount)
        text = fixedText(image.scaled(f, entry), kFilePrecision, 2, separator);
    else
        text = integerText(v);

    const char* u = unit(f);
    if (*u)
        text += std::string(" ") + u;
    const std::string named = is(f, WorkModeSetting) ? std::string(workModeName(v) ? workModeName(v) : "")
                              : is(f, FuelType)       ? fuelTypeName(v)
                                                      : std::string();
    if (!named.empty())
        text += " (" + named + ")";
    return text;
}

} // namespace kdx
