// An output written beside its name and put in place only when whole.
#pragma once

#include <string>

namespace vesko {

// The writer writes to NAME.part; commit() renames it over NAME. So a run
// that fails or is killed never leaves a cut-short NAME, and an old NAME
// stays as it was until the new one is complete. A NAME that exists and is no
// regular file (a device such as /dev/full, a pipe) is written directly.
class OutputFile {
public:
    enum class Opened { ok, exists, partExists, failed };

    OutputFile() = default;
    ~OutputFile();  // an open .part not committed is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates NAME.part, empty, so that an unwritable place shows now and not
    // after the work. Refuses an existing NAME unless `replace`, and always a
    // NAME.part this run did not create (it may be the rest of a run cut short).
    // On anything but ok, error() says what, naming the file.
    Opened open(const std::string& path, bool replace);

    bool isOpen() const { return open_; }
    const std::string& path() const { return path_; }            // as given
    const std::string& writePath() const { return writePath_; }  // where the text goes

    // Puts the written file in place of NAME; false (error() says why) if it could not.
    bool commit();
    // Removes what this run wrote; NAME is left as it was.
    void discard();

    // Writes the whole of `text` and puts it in place; false if any of it
    // could not be written (then nothing is put in place) or renamed.
    bool writeWhole(const std::string& text);

    const std::string& error() const { return error_; }

private:
    std::string path_;
    std::string target_;     // the file NAME stands for (a link's target)
    std::string writePath_;
    std::string error_;
    bool open_ = false;
    bool direct_ = false;  // written in place: nothing to rename or remove
};

inline constexpr const char* kPartSuffix = ".part";

enum class NewFile { created, exists, failed };
// Creates `path` empty, failing if anything is there already (one implementation
// per platform). On failure `errorCode` holds the errno value.
NewFile createNewFile(const std::string& path, int& errorCode);

}  // namespace vesko
