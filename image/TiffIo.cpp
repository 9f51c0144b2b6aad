#include "image/TiffIo.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// A private tag for our own scale record (private tags start at 65000).
constexpr ttag_t kScaleTag = 65301;

TIFFExtendProc g_parentExtender = nullptr;

void ExtendTags(TIFF* tiff) {
    static const TIFFFieldInfo kFields[] = {
        {kScaleTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("PictureScale")},
    };
    TIFFMergeFieldInfo(tiff, kFields, 1);
    if (g_parentExtender != nullptr) {
        g_parentExtender(tiff);
    }
}

// Registers the tag and silences libtiff's process-wide handlers once: the
// handles report through their own handlers instead of printing.
void SetUpLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_parentExtender = TIFFSetTagExtender(ExtendTags);
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* errors = static_cast<CTiffErrors*>(user);
    if (errors->first.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        errors->first = (module != nullptr && *module != '\0') ? std::string(module) + ": " + text
                                                               : std::string(text);
    }
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

tmsize_t ReadMemory(thandle_t handle, void* buffer, tmsize_t size) {
    auto* memory = static_cast<CTiffMemory*>(handle);
    if (size < 0 || memory->position >= memory->data.size()) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(size),
                                                    memory->data.size() - memory->position);
    std::memcpy(buffer, memory->data.data() + memory->position, count);
    memory->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteMemory(thandle_t handle, void* buffer, tmsize_t size) {
    auto* memory = static_cast<CTiffMemory*>(handle);
    if (memory->out == nullptr || size < 0) {
        return -1;
    }
    const std::size_t end = memory->position + static_cast<std::size_t>(size);
    if (end > memory->out->size()) {
        memory->out->resize(end);
    }
    std::memcpy(memory->out->data() + memory->position, buffer, static_cast<std::size_t>(size));
    memory->position = end;
    return size;
}

std::uint64_t MemorySize(const CTiffMemory& memory) {
    return memory.out != nullptr ? memory.out->size() : memory.data.size();
}

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* memory = static_cast<CTiffMemory*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = memory->position;
    } else if (whence == SEEK_END) {
        base = MemorySize(*memory);
    }
    // Offsets past any sensible file are refused rather than grown into.
    if (offset > (std::uint64_t{1} << 48) || base + offset > (std::uint64_t{1} << 48)) {
        return static_cast<toff_t>(-1);
    }
    memory->position = base + offset;
    return memory->position;
}

int CloseMemory(thandle_t) {
    return 0;
}

toff_t SizeMemory(thandle_t handle) {
    return MemorySize(*static_cast<CTiffMemory*>(handle));
}

int MapMemory(thandle_t handle, void** base, toff_t* size) {
    auto* memory = static_cast<CTiffMemory*>(handle);
    if (memory->out != nullptr) {
        return 0;
    }
    *base = const_cast<std::uint8_t*>(memory->data.data());
    *size = memory->data.size();
    return 1;
}

void UnmapMemory(thandle_t, void*, toff_t) {}

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

std::unique_ptr<TIFFOpenOptions, OptionsDeleter> Options(CTiffErrors& errors,
                                                         std::size_t maxAllocation) {
    SetUpLibrary();
    std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &errors);
    if (maxAllocation > 0) {
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(maxAllocation));
    }
    return options;
}

} // namespace

std::string CTiffErrors::Text(const char* fallback) const {
    return "TIFF: " + (first.empty() ? std::string(fallback) : first);
}

TiffHandle OpenTiffMemory(CTiffMemory& memory, const char* mode, CTiffErrors& errors,
                          std::size_t maxAllocation) {
    const auto options = Options(errors, maxAllocation);
    return TiffHandle(TIFFClientOpenExt("memory", mode, &memory, ReadMemory, WriteMemory,
                                        SeekMemory, CloseMemory, SizeMemory, MapMemory, UnmapMemory,
                                        options.get()));
}

TiffHandle OpenTiffFile(const std::filesystem::path& path, const char* mode, CTiffErrors& errors) {
    const auto options = Options(errors, 0);
    return TiffHandle(TIFFOpenExt(path.c_str(), mode, options.get()));
}

void WriteTiffScale(TIFF* tiff, const CPictureScale& scale) {
    const auto resolution = static_cast<float>(scale.pixelsPerCentimetre);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, resolution);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, resolution);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
    TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, ImageJDescription(scale).c_str());
    TIFFSetField(tiff, kScaleTag, ScaleRecord(scale).c_str());
}

std::optional<CPictureScale> ReadTiffScale(TIFF* tiff) {
    float resolution = 0;
    std::uint16_t unit = RESUNIT_NONE;
    const char* description = nullptr;
    const char* record = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resolution)) {
        resolution = 0;
    }
    if (!TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit)) {
        unit = 0;
    }
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description)) {
        description = nullptr;
    }
    if (TIFFGetField(tiff, kScaleTag, &record) && record != nullptr) {
        // Ours keeps the exact scale; the tags only hold it as a float.
        const std::optional<CPictureScale> own = ParseScaleRecord(record);
        if (own && unit == RESUNIT_CENTIMETER &&
            std::fabs(own->pixelsPerCentimetre - resolution) <= 1e-5 * own->pixelsPerCentimetre) {
            return own;
        }
    }
    return ForeignScale(resolution, unit, description != nullptr ? description : "");
}
