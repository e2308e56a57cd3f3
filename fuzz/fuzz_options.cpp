// SPDX-License-Identifier: MIT
// Fuzzes the runner's option parser: the input is split at NUL bytes into
// arguments (option names drawn from a dictionary are likely, see the seed
// corpus) and handed to parse_options as argv.  Beyond the sanitizers it
// checks the parser's contract: a refusal always says why; an accepted
// command line keeps the rules the usage states (limits LO < HI, --every
// and --column whole numbers, a margin from 0 to below 1 cm, an interval
// above 0, an image size inside its bounds); the same arguments always
// give the same answer; and argv is left as it was.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "options.h"

namespace {

using quillane::fuzz::require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> args{"quillane-batch"};
    std::string current;
    for (size_t i = 0; i < size && args.size() < 64; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty()) args.push_back(current);
    const std::vector<std::string> given = args;
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::string error;
    const auto o = batch::parse_options(static_cast<int>(args.size()), argv.data(), error);
    require(args == given, "the parser changed its arguments");
    std::string again_error;
    const auto again =
        batch::parse_options(static_cast<int>(args.size()), argv.data(), again_error);
    require(o.has_value() == again.has_value() && error == again_error,
            "the same arguments gave another answer");
    if (!o) {
        require(!error.empty(), "a refused command line without a reason");
        return 0;
    }
    if (o->limits) require(o->limits->first < o->limits->second, "limits LO >= HI were taken");
    require(o->every >= 1, "--every below 1 was taken");
    require(o->column >= 0, "a negative --column was taken");
    require(o->margin >= 0 && o->margin < 1, "a margin outside 0 .. 1 cm was taken");
    require(o->interval > 0 && std::isfinite(o->interval), "an interval of 0 or less was taken");
    for (const int k : o->active)
        require(k >= 1, "an active set below 1 was taken");
    if (o->image_size) {
        const auto [w, h] = *o->image_size;
        require(w >= batch::kMinImageSide && w <= batch::kMaxImageSide &&
                    h >= batch::kMinImageSide && h <= batch::kMaxImageSide,
                "an image size beyond its bounds was taken");
    }
    if (!o->help && !o->version)
        require(!o->files.empty() || !o->watch.empty(), "a run without scans or a folder");
    require(!batch::usage_text().empty(), "no usage text");
    return 0;
}
