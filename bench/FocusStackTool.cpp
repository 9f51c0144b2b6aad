#include "analysis/focus/FocusImage.h"
#include "tests/support/FocusStackMaker.h"

#include <cstdio>
#include <cstdlib>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

// Makes focus series with a known answer from a real picture and scores
// merged pictures against the sharp original, for comparing stackers:
//   focus_stack_tool surface|discs DIR WIDTH HEIGHT COUNT PICTURE [png|bmp]
//     writes DIR/slice-NN.png (or .bmp, as snapshots are saved by default)
//     and DIR/sharp.png (discs: DIR/ring.png, the
//     ground within 20 pixels of the bright objects, too) and prints the
//     PSNR of choosing per pixel the slice nearest the true depth;
//   focus_stack_tool score MERGED SHARP [RING]
//     prints the PSNR against the sharp original (and the mean error in
//     the ring).

namespace {

bool Save(const cv::Mat& bgr, const std::string& path) {
    const bool bmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
    if (!BgrToDib(bgr).Save(path, bmp ? ImageType::Bmp : ImageType::Png)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

cv::Mat Load(const std::string& path) {
    CDib dib;
    if (!dib.Load(path, ImageType::Unknown)) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), dib.LastError().c_str());
        std::exit(2);
    }
    return DibToBgr(dib);
}

// The slices' kind, "png" or "bmp".
std::string g_sliceKind = "png";

std::string SlicePath(const std::string& folder, int k) {
    char name[32];
    std::snprintf(name, sizeof name, "/slice-%02d.%s", k, g_sliceKind.c_str());
    return folder + name;
}

int Make(const std::string& kind, const std::string& folder, int width, int height, int count,
         const std::string& picture) {
    const cv::Mat texture = TexturePicture(picture, width, height, height / 300.0);
    if (texture.empty()) {
        std::fprintf(stderr, "cannot read %s\n", picture.c_str());
        return 2;
    }
    if (kind == "surface") {
        const cv::Mat depth = SurfaceDepth(texture.size(), 0.5, count - 1.5);
        std::vector<cv::Mat> slices;
        for (int k = 0; k < count; ++k) {
            slices.push_back(DefocusedSlice(texture, depth, k));
            if (!Save(slices.back(), SlicePath(folder, k))) {
                return 1;
            }
        }
        std::printf("oracle %.2f\n", Psnr(NearestSliceOracle(slices, depth), texture));
        return Save(texture, folder + "/sharp.png") ? 0 : 1;
    }
    // The ground lies six slices beyond the first: never in focus.
    const CDiscScene scene = DiscScene(texture, -6, count / 2);
    for (int k = 0; k < count; ++k) {
        if (!Save(scene.Slice(k), SlicePath(folder, k))) {
            return 1;
        }
    }
    cv::Mat ring;
    cv::cvtColor(scene.Ring(20), ring, cv::COLOR_GRAY2BGR);
    return Save(scene.Sharp(), folder + "/sharp.png") && Save(ring, folder + "/ring.png") ? 0 : 1;
}

int Score(const std::string& merged, const std::string& sharp, const std::string& ring) {
    const cv::Mat a = Load(merged), b = Load(sharp);
    if (a.size() != b.size()) {
        std::fprintf(stderr, "%s and %s differ in size\n", merged.c_str(), sharp.c_str());
        return 2;
    }
    std::printf("psnr %.2f\n", Psnr(a, b));
    if (!ring.empty()) {
        cv::Mat mask;
        cv::cvtColor(Load(ring), mask, cv::COLOR_BGR2GRAY);
        std::printf("ring %.2f\n", MeanError(a, b, mask));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if ((args.size() == 6 || (args.size() == 7 && (args[6] == "png" || args[6] == "bmp"))) &&
        (args[0] == "surface" || args[0] == "discs")) {
        if (args.size() == 7) {
            g_sliceKind = args[6];
        }
        return Make(args[0], args[1], std::atoi(args[2].c_str()), std::atoi(args[3].c_str()),
                    std::atoi(args[4].c_str()), args[5]);
    }
    if ((args.size() == 3 || args.size() == 4) && args[0] == "score") {
        return Score(args[1], args[2], args.size() == 4 ? args[3] : std::string());
    }
    std::fputs("usage: focus_stack_tool surface|discs DIR WIDTH HEIGHT COUNT PICTURE [png|bmp]\n"
               "       focus_stack_tool score MERGED SHARP [RING]\n",
               stderr);
    return 2;
}
