#include "params/ParameterFileStore.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace kdx {

ParameterFileRead ParameterFileStore::load(const std::string& path)
{
    ParameterFileRead result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "Could not open " + path + ": " + std::strerror(errno);
        return result;
    }
    std::string text(ParameterFileFormat::kMaxFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return ParameterFileFormat::read(text);
}

std::string ParameterFileStore::save(const std::string& path, const ParameterFile& file)
{
    if (std::string error = SystemFiles::writeReplacing(path, ParameterFileFormat::write(file), true); !error.empty())
        return error;
    // Checked, not assumed: the file reads back as the image.
    const ParameterFileRead back = load(path);
    if (!back.ok() || back.file->image != file.image)
        return "the file does not read back as written";
    return {};
}

} // namespace kdx
