// SplitPath against its model, under every code page, each part wanted or
// not. The parts' buffers have the least sizes callers may pass (3 and 256
// bytes) and start filled with a sentinel, so that every byte written past
// a part's terminator shows.
//
// Input: code page, a byte whose low four bits say which parts are wanted,
// the sentinel, then the path.
#include "harness.h"
#include "model/text_model.h"
#include "text/leadbyte.h"
#include "text/path.h"

namespace {

// The part's buffer: the model's bytes, then the sentinel to its end.
void ExpectPart(harness::ExactBuffer* buffer, const std::string& written, char sentinel,
                const char* what) {
    if (buffer == nullptr) {
        return;
    }
    std::string expected = written;
    expected.resize(buffer->Size(), sentinel);
    harness::ExpectSame(buffer->Bytes(), expected, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    harness::Input input(data, size);
    const std::uint32_t codePage = harness::PickCodePage(input.Byte());
    const std::uint8_t wanted = input.Byte();
    const char sentinel = static_cast<char>(input.Byte());
    const std::string path = input.Text();

    ClassifyLeadBytes(codePage);
    harness::ExactBuffer pathBuffer(harness::Terminated(path));
    harness::ExactBuffer drive(3, sentinel);
    harness::ExactBuffer directory(256, sentinel);
    harness::ExactBuffer fileName(256, sentinel);
    harness::ExactBuffer extension(256, sentinel);
    harness::ExactBuffer* parts[4] = {&drive, &directory, &fileName, &extension};
    for (int i = 0; i < 4; ++i) {
        if ((wanted & (1 << i)) == 0) {
            parts[i] = nullptr;
        }
    }
    auto data_of = [](harness::ExactBuffer* buffer) {
        return buffer == nullptr ? nullptr : buffer->Data();
    };
    SplitPath(pathBuffer.Data(), data_of(parts[0]), data_of(parts[1]), data_of(parts[2]),
              data_of(parts[3]));

    const model::SplitParts expected = model::SplitPath(codePage, path);
    harness::ExpectSame(pathBuffer.Bytes(), harness::Terminated(path), "path left as it was");
    ExpectPart(parts[0], expected.drive, sentinel, "drive");
    ExpectPart(parts[1], expected.directory, sentinel, "directory");
    ExpectPart(parts[2], expected.fileName, sentinel, "file name");
    ExpectPart(parts[3], expected.extension, sentinel, "extension");
    return 0;
}
