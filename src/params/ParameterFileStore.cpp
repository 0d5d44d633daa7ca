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

std::string ParameterFileStore::writeReplacing(const std::string& path, const std::string& bytes, bool makeFolder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (makeFolder && target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return std::strerror(errno);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
    return {};
}

std::string ParameterFileStore::save(const std::string& path, const ParameterFile& file)
{
    if (std::string error = writeReplacing(path, ParameterFileFormat::write(file), true); !error.empty())
        return error;
    // Checked, not assumed: the file reads back as the image.
    const ParameterFileRead back = load(path);
    if (!back.ok() || back.file->image != file.image)
        return "the file does not read back as written";
    return {};
}

} // namespace kdx
