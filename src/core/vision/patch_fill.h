// Exemplar-based hole filling on OpenCV matrices, for the vision module's own source files only.
#pragma once

#include <functional>

#include <opencv2/core.hpp>

namespace glkov::vision {

// Fills the hole pixels of image (CV_8UC3, changed in place) with patches copied from its known
// pixels: a coarse-to-fine PatchMatch search of 7 x 7 patches with weighted voting. hole and known
// are CV_8U masks of the image's size (non-zero = set); a pixel in neither is ignored: it is not
// copied from and does not count in a patch's distance, and it keeps its value. Without any
// complete known patch the hole is filled by diffusion instead. progress receives the fraction
// done (0..1) now and then and returns false to stop; the function then returns false with the
// image partly filled.
bool PatchFill(cv::Mat& image, const cv::Mat& hole, const cv::Mat& known,
               const std::function<bool(double)>& progress = {});

}  // namespace glkov::vision
