#pragma once

#include <QPixmap>

namespace kdx {

// The product logo of the parameter page, drawn at size x size pixels: a
// water drop over a blue disc with the letters "KDX".
QPixmap makeKdxLogo(int size);

} // namespace kdx
