#include "app/UserImages.h"

#include "image/BmpCodec.h"

#include <fstream>
#include <system_error>
#include <vector>

namespace {

UserImagesFile Ignored(const std::filesystem::path& path, const std::string& reason) {
    UserImagesFile result;
    result.status = UserImagesFile::Status::Ignored;
    result.message = path.filename().string() + " ignored: " + reason;
    return result;
}

} // namespace

UserImagesFile ReadUserImages(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        // A folder of that name is as good as no file.
        return {};
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return Ignored(path, "cannot be read");
    }
    if (size > kMaxUserImagesFileBytes) {
        return Ignored(path, "larger than " + std::to_string(kMaxUserImagesFileBytes) + " bytes");
    }
    std::ifstream in(path, std::ios::binary);
    // One byte more than allowed tells a file that grew since it was measured.
    std::vector<std::uint8_t> data(kMaxUserImagesFileBytes + 1);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (in.bad()) {
        return Ignored(path, "cannot be read");
    }
    data.resize(static_cast<std::size_t>(in.gcount()));
    if (data.size() > kMaxUserImagesFileBytes) {
        return Ignored(path, "larger than " + std::to_string(kMaxUserImagesFileBytes) + " bytes");
    }

    UserImagesFile result;
    // Compressed files may unpack to far more than they hold; a strip of the
    // most images a toolbar can use is plenty.
    const DecodeLimits limits{std::size_t{4096} * kUserImageSize * kUserImageSize * 4};
    if (!LooksLikeBmp(data) || !DecodeBmp(data, result.strip, limits)) {
        const std::string reason = result.strip.LastError();
        return Ignored(path,
                       reason.empty() ? "not a BMP picture" : "not a BMP picture (" + reason + ")");
    }
    if (result.strip.Height() != kUserImageSize || result.strip.Width() < kUserImageSize) {
        return Ignored(path, "not a strip of 16 x 16 images");
    }
    if (!result.strip.ConvertTo24Bits()) {
        return Ignored(path, "cannot be converted");
    }
    result.status = UserImagesFile::Status::Loaded;
    result.count = result.strip.Width() / kUserImageSize;
    return result;
}
