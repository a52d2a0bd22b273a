// EXIF properties of picture files through libexif.

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>
#include <libexif/exif-utils.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "base/format.h"
#include "image/picture_file.h"

namespace {

struct LoaderUnref {
    void operator()(ExifLoader* loader) const { exif_loader_unref(loader); }
};
struct DataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using LoaderPtr = std::unique_ptr<ExifLoader, LoaderUnref>;
using DataPtr = std::unique_ptr<ExifData, DataUnref>;

// The tag directories in the order their properties are listed. The thumbnail's
// directory is left out: its tags describe the thumbnail, not the picture.
constexpr ExifIfd kSearchOrder[] = {EXIF_IFD_0, EXIF_IFD_EXIF, EXIF_IFD_GPS,
                                    EXIF_IFD_INTEROPERABILITY};

// Parses the EXIF block the loader collected, exactly as stored: libexif would
// otherwise drop tags it does not know and add "mandatory" tags the file lacks.
DataPtr parse_collected(ExifLoader* loader) {
    const unsigned char* buffer = nullptr;
    unsigned int size = 0;
    exif_loader_get_buf(loader, &buffer, &size);
    if (!buffer || size == 0) return nullptr;
    DataPtr data(exif_data_new());
    if (!data) return nullptr;
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), buffer, size);
    return data;
}

std::optional<std::string> format_entry(const ExifEntry* entry, ExifByteOrder order) {
    const unsigned char* bytes = entry->data;
    unsigned int size = entry->size;
    if (!bytes && size != 0) return std::nullopt;
    // A numeric value needs at least one whole component inside the entry.
    auto holds = [&](unsigned int component_bytes) {
        return bytes && entry->components >= 1 && size >= component_bytes;
    };
    switch (entry->format) {
        case EXIF_FORMAT_ASCII: {
            const char* text = reinterpret_cast<const char*>(bytes);
            return text ? std::string(text, strnlen(text, size)) : std::string();
        }
        case EXIF_FORMAT_SHORT:
            if (!holds(2)) return std::nullopt;
            return format_string("%d", static_cast<int>(exif_get_short(bytes, order)));
        case EXIF_FORMAT_LONG:
            // Unsigned in the file: a value above 2^31 stays positive.
            if (!holds(4)) return std::nullopt;
            return format_string("%u", static_cast<unsigned>(exif_get_long(bytes, order)));
        case EXIF_FORMAT_RATIONAL: {
            if (!holds(8)) return std::nullopt;
            ExifRational value = exif_get_rational(bytes, order);
            return format_string("%u / %u", static_cast<unsigned>(value.numerator),
                                 static_cast<unsigned>(value.denominator));
        }
        case EXIF_FORMAT_SLONG:
            if (!holds(4)) return std::nullopt;
            return format_string("%d", static_cast<int>(exif_get_slong(bytes, order)));
        default:
            return std::nullopt;
    }
}

std::optional<std::string> find_property(ExifLoader* loader, int tag) {
    DataPtr data = parse_collected(loader);
    if (!data) return std::nullopt;
    ExifByteOrder order = exif_data_get_byte_order(data.get());
    for (ExifIfd ifd : kSearchOrder) {
        ExifContent* content = data->ifd[ifd];
        if (!content) continue;
        if (ExifEntry* entry = exif_content_get_entry(content, static_cast<ExifTag>(tag))) {
            return format_entry(entry, order);
        }
    }
    return std::nullopt;
}

bool valid_tag(int tag) {
    return tag >= 0 && tag <= 0xFFFF;
}

}  // namespace

std::optional<std::string> read_exif_property(const std::string& path, int tag) {
    if (!valid_tag(tag)) return std::nullopt;
    LoaderPtr loader(exif_loader_new());
    if (!loader) return std::nullopt;
    exif_loader_write_file(loader.get(), path.c_str());
    return find_property(loader.get(), tag);
}

std::optional<std::string> read_exif_property_from_memory(const uint8_t* data, size_t size,
                                                          int tag) {
    if (!valid_tag(tag) || !data || size == 0) return std::nullopt;
    LoaderPtr loader(exif_loader_new());
    if (!loader) return std::nullopt;
    // The loader only reads the bytes; it stops on its own once it holds the block.
    auto* bytes = const_cast<unsigned char*>(data);
    while (size > 0) {
        unsigned int chunk = static_cast<unsigned int>(
            std::min<size_t>(size, std::numeric_limits<unsigned int>::max()));
        if (!exif_loader_write(loader.get(), bytes, chunk)) break;
        bytes += chunk;
        size -= chunk;
    }
    return find_property(loader.get(), tag);
}
