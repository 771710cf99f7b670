#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pq {

// A ready classification request for icons of one bit depth: the name of the trained model
// it would run. No flow of the program performs a request.
struct ClassifierRequest {
    std::string modelName;
    std::string modelPath;
};

// The model resource for a bit depth: "Mono Icon Classifier" for 1 bit per pixel,
// "Color Icon Classifier" for any other depth.
std::string classifierModelName(std::int64_t bitDepth);

// Builds the request for `bitDepth`. The models are looked for beside the program, but this
// platform has no runtime that can load them, so the result is always empty: the decoder
// then simply holds no request. Never fails.
std::optional<ClassifierRequest> makeCoreMLRequest(std::int64_t bitDepth);

} // namespace pq
