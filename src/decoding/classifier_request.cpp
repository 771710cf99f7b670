#include "decoding/classifier_request.h"

namespace pq {

std::string classifierModelName(std::int64_t bitDepth)
{
    return bitDepth == 1 ? "Mono Icon Classifier" : "Color Icon Classifier";
}

std::optional<ClassifierRequest> makeCoreMLRequest(std::int64_t bitDepth)
{
    // Trained classifier models are compiled for a runtime that does not exist on Linux;
    // even a model file found beside the program could not be loaded, so no request is made.
    (void)bitDepth;
    return std::nullopt;
}

} // namespace pq
