// Feeds arbitrary bytes to Assimp as OBJ text, then makes boxes of whatever meshes it reads, and
// checks what any import must satisfy: each mesh is reported once, every box added holds its
// mesh's vertices as written, the IDs and the count agree with the boxes, the intersections name
// new boxes in increasing rank pairs, and the document saves and reads back unchanged.

#include "boxvalues.h"
#include "modelimport.h"
#include "modelreader.h"
#include "orlclass.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Check failed: %s\n", what);
        std::abort();
    }
}

// The vertices stay inside the written planes, but for the error of double precision on
// coordinates that can reach the format's limit.
void checkHeld(const Box& box, const ModelMesh& mesh) {
    const BoxValues values = decodeBoxValues(box);
    for (const PlaneValues& plane : values.planes) {
        for (const Vec3& p : mesh.points) {
            const double scale = 1 + std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z);
            require(dot(plane.normal, p) <= plane.d + 1e-12 * scale, "a vertex is outside");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<ModelContent> model = readModelBytes(bytes, "obj", error);
    if (!model) {
        require(!error.empty(), "a refusal says why");
        return 0;
    }
    BoxDocument document;
    ImportOptions options;
    options.collisionOnly = size % 2 == 1;
    const ImportReport report = appendModelBoxes(*model, document, options);
    require(report.meshes.size() + report.ignored == model->meshes.size(),
            "every mesh is reported or ignored");
    require(document.boxes.size() == document.boxIds.size(), "one ID per box");
    require(document.countText == std::to_string(document.boxes.size()), "count agrees");

    std::size_t meshIndex = 0;
    auto box = document.boxes.begin();
    for (const MeshReport& mesh : report.meshes) {
        while (meshIndex < model->meshes.size() && model->meshes[meshIndex].name != mesh.name) {
            ++meshIndex;
        }
        require(meshIndex < model->meshes.size(), "reports follow the model's order");
        if (mesh.outcome == MeshReport::Outcome::Added) {
            require(box != document.boxes.end() && (*box)->id.view() == mesh.id,
                    "reports follow the boxes");
            require(mesh.filled > 0 && mesh.filled <= 1 + 1e-9, "the hull fills its box");
            require(mesh.fit.outsideDistance <= 1e-6, "no vertex left outside");
            checkHeld(**box, model->meshes[meshIndex]);
            ++box;
        }
        ++meshIndex;
    }
    require(box == document.boxes.end(), "one report per box");
    for (const std::string_view text : document.intersections) {
        const std::string pair(text);
        const std::size_t space = pair.find(' ');
        require(space != std::string::npos, "pairs of ranks");
        const unsigned long first = std::stoul(pair.substr(0, space));
        const unsigned long second = std::stoul(pair.substr(space + 1));
        require(first < second && second < document.boxes.size(), "ranks in order, of boxes");
    }

    const std::string written = document.writeText();
    BoxDocument reread;
    reread.readText(written);
    require(reread.writeText() == written, "the boxes save and read back unchanged");
    return 0;
}
