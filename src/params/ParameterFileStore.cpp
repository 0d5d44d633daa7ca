#include "params/ParameterFileStore.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
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
    namespace fs = std::filesystem;
    const std::string text = ParameterFileFormat::write(file);
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return std::strerror(errno);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            return "writing failed";
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        const std::string why = ec.message();
        fs::remove(temporary, ec);
        return why;
    }
    // Checked, not assumed: the file reads back as the image.
    const ParameterFileRead back = load(path);
    if (!back.ok() || back.file->image != file.image)
        return "the file does not read back as written";
    return {};
}

} // namespace kdx
