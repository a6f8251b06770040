#include "modelwriter.h"

#include "assimpwriter.h"
#include "glbwriter.h"
#include "objwriter.h"
#include "safefile.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

namespace {

// What writes each format: our own writers for OBJ and glb, which large scenes need fast;
// Assimp's for the others, with the axis each declares.
struct FormatWriter {
    std::string_view extension;
    const char* assimpFormat = nullptr;
    UpAxis up = UpAxis::Z;
    // Whether the format holds lines beside faces.
    bool holdsLines = true;
};

const FormatWriter& writerOf(ModelFormat format) {
    static const std::array<FormatWriter, 6> writers{{
        {"obj", nullptr, UpAxis::Z},
        {"glb", nullptr, UpAxis::Y},
        {"dae", "collada", UpAxis::Y},
        {"stl", "stlb", UpAxis::Z, false},
        {"ply", "plyb", UpAxis::Z, false},
        {"fbx", "fbxa", UpAxis::Y},
    }};
    return writers[static_cast<std::size_t>(format)];
}

std::string lowerExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return {};
    }
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension;
}

bool writeOurs(const BoxDocument& document, ModelFormat format, const ExportOptions& options,
               ExportReport& report, const ModelOutput& output,
               const WorkProgress& progress = WorkProgress()) {
    return format == ModelFormat::Obj ? writeObjModel(document, options, report, output, progress)
                                      : writeGlbModel(document, options, report, output, progress);
}

std::error_code reasonOf(const SafeFileWriter& writer) {
    return writer.error() ? writer.error() : std::make_error_code(std::errc::io_error);
}

} // namespace

const std::vector<std::string_view>& modelExtensions() {
    static const std::vector<std::string_view> extensions = [] {
        std::vector<std::string_view> list;
        for (std::size_t f = 0; f <= static_cast<std::size_t>(ModelFormat::Fbx); ++f) {
            list.push_back(writerOf(static_cast<ModelFormat>(f)).extension);
        }
        return list;
    }();
    return extensions;
}

std::optional<ModelFormat> modelFormatOf(std::string_view path) {
    const std::string extension = lowerExtension(path);
    const std::vector<std::string_view>& known = modelExtensions();
    const auto found = std::find(known.begin(), known.end(), extension);
    if (found == known.end()) {
        return std::nullopt;
    }
    return static_cast<ModelFormat>(found - known.begin());
}

std::optional<std::string> modelBytes(const BoxDocument& document, ModelFormat format,
                                      const ExportOptions& options, ExportReport& report,
                                      std::string& error) {
    const FormatWriter& writer = writerOf(format);
    if (writer.assimpFormat != nullptr) {
        ExportOptions held = options;
        held.intersections = options.intersections && writer.holdsLines;
        return assimpModelBytes(document, writer.assimpFormat, writer.up, held, report, error);
    }
    std::string bytes;
    writeOurs(document, format, options, report, [&bytes](std::string_view piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}

bool writeModelFile(const BoxDocument& document, const std::string& path, ModelFormat format,
                    const ExportOptions& options, ExportReport& report, std::string& error) {
    return writeModelFile(document, path, format, options, report, error, WorkProgress());
}

bool writeModelFile(const BoxDocument& document, const std::string& path, ModelFormat format,
                    const ExportOptions& options, ExportReport& report, std::string& error,
                    const WorkProgress& progress) {
    report = ExportReport{};
    // Remembers a request to stop, which the writers only see as a refusal.
    bool stopped = false;
    const WorkProgress told = [&progress, &stopped](std::uint64_t done, std::uint64_t total) {
        stopped = stopped || (progress && !progress(done, total));
        return !stopped;
    };
    SafeFileWriter file(path);
    if (!file.isOpen()) {
        report.fileError = reasonOf(file);
        error = report.fileError.message();
        return false;
    }
    bool written = false;
    if (writerOf(format).assimpFormat != nullptr) {
        const std::optional<std::string> bytes =
            modelBytes(document, format, options, report, error);
        if (!bytes) {
            return false;
        }
        written = told(0, 0) && file.write(*bytes);
    } else {
        written = writeOurs(
            document, format, options, report,
            [&file](std::string_view piece) { return file.write(piece); }, told);
    }
    if (stopped) {
        report.stopped = true;
        return false;
    }
    if (!written || !file.commit()) {
        report.fileError = reasonOf(file);
        error = report.fileError.message();
        return false;
    }
    return true;
}
