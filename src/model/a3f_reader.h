#pragma once
// The token stream of an a3f file, read from memory, and the pieces the
// static and skinned readers share. Internal to src/model.

#include "model/static_model.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

inline constexpr std::size_t ModelFileCapacity = std::size_t{64} << 20;  // bytes

// Reads media file `fileName` whole. On failure shows "Could not open file:"
// (or "Bad model:" for a file over ModelFileCapacity) and returns false.
bool readModelFile(const char* fileName, std::vector<char>& bytes);

// "Bad model: <fileName> (<reason>)".
void showBadModel(const char* fileName, const char* reason);

class A3fReader {
public:
    A3fReader(const char* text, std::size_t size) : at_(text), end_(text + size) {}

    // The next whitespace-separated token; empty at the end of the file.
    std::string_view token();
    // A token, then a following "{" (or "}" for closeStep) is consumed too.
    std::string_view openStep() { return stepOver('{'); }
    std::string_view closeStep() { return stepOver('}'); }
    // Reads tokens up to and including the next one that is exactly "}".
    void skipPastClose();

    // Readers of required values: false, with failure() set, when the
    // token is missing or not what was asked for.
    bool next(std::string_view& token);
    bool number(float& out);
    bool unsignedNumber(std::uint32_t& out);
    // A count of entries that take at least `tokensEach` tokens each, no
    // larger than `limit` nor than the rest of the file can hold.
    bool count(std::uint32_t& out, std::uint32_t tokensEach, std::uint32_t limit, const char* what);
    // A token copied into a field of `capacity` bytes, terminator included.
    bool name(char* out, std::size_t capacity, const char* what);

    bool fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool failed() const { return failure_[0] != '\0'; }
    const char* failure() const { return failure_; }

private:
    std::string_view stepOver(char brace);

    const char* at_;
    const char* end_;
    char failure_[200] = {};
};

// atof's reading of a token, in the C locale; 0 for a non-number.
float leadingNumber(std::string_view token);

// Sections beyond the static reader's, read in the same pass over the file.
class ExtraSections {
public:
    // Reads the section `keyword` opens when it is one of these; any other
    // keyword is ignored. False, with in.failure() set, on a failure.
    virtual bool section(std::string_view keyword, A3fReader& in) = 0;

protected:
    ~ExtraSections() = default;
};

// The static reader without touching GL: no textures are loaded. `extra`,
// when given, reads the sections the static reader ignores.
// Shows its own messages; false when the model was refused.
bool parseStaticModel(StaticModel& model, const char* text, std::size_t size, const char* fileName,
                      ExtraSections* extra = nullptr);

// Loads the texture of every material that names a file.
void loadMaterialTextures(StaticModel& model);

// Back to no mesh: arrays released (not the GL objects), counts 0, not loaded.
void releaseMesh(StaticModel& model);
