// Views of TFastBMP pictures as OpenCV matrices, for the vision module's own source files only:
// no header outside src/core/vision includes OpenCV.
#pragma once

#include <opencv2/core.hpp>

#include "core/image/fast_bmp.h"

namespace glkov::vision {

// The picture's pixels as an 8-bit, 3-channel BGR matrix without a copy: rows top-down, the
// picture's own padded row stride. The matrix is valid while the picture keeps its size.
inline cv::Mat AsMat(TFastBMP& picture) {
  return cv::Mat(picture.Height(), picture.Width(), CV_8UC3, picture.Bits(), picture.RowStride());
}
inline cv::Mat AsMat(const TFastBMP& picture) {
  return AsMat(const_cast<TFastBMP&>(picture));  // callers that get a const picture only read it
}

// A copy of an 8-bit BGR (CV_8UC3) or grey (CV_8UC1, copied to all three channels) matrix as a
// new picture.
inline TFastBMP ToFastBMP(const cv::Mat& mat) {
  TFastBMP out(mat.cols, mat.rows);
  cv::Mat target = AsMat(out);
  if (mat.type() == CV_8UC1)
    cv::merge(std::vector<cv::Mat>{mat, mat, mat}, target);
  else
    mat.copyTo(target);
  return out;
}

}  // namespace glkov::vision
