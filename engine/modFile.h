// Test file access: a thin layer over the raw POSIX file calls, so that the benchmark itself
// controls the open flags (system cache, write-through), the block length and the flushes.
//
// Handles are signed 32-bit numbers and 0 always means "no file". A handle is not cleared by
// FileClose; its owner must not close it twice.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

// Creation arguments the test phases pass (the values of the original file interface).
constexpr int32_t GENERIC_WRITE = 0x40000000;
constexpr int32_t CREATE_ALWAYS = 2;
constexpr int32_t FILE_FLAG_NO_BUFFERING = 0x20000000;                          // O_DIRECT
constexpr int32_t FILE_FLAG_WRITE_THROUGH = static_cast<int32_t>(0x80000000u);  // O_DSYNC
constexpr int32_t OF_READ = 0;

// The alignment of the written and read block buffers, enough for transfers that bypass the
// system cache.
constexpr size_t kBlockBufferAlignment = 4096;

// The bytes of one written block, prepared once from its text so that writing it costs one
// system call and nothing else. Its length is the smallest power of two that holds the text,
// and never less than 256; the text is stored one byte per character, then a 0, then zeros. The
// buffer is aligned for writes that bypass the system cache.
class BlockText {
  public:
    explicit BlockText(const QString& text);
    const char* Data() const { return bytes_.get(); }
    int32_t Length() const { return length_; }

  private:
    struct Free {
        void operator()(char* p) const;
    };
    int32_t length_;
    std::unique_ptr<char, Free> bytes_;
};

// Names of files and folders are bytes to the system, and need not be UTF-8. A byte that is
// not part of a UTF-8 character is kept in the text as one of the code points U+DC80 to U+DCFF,
// which UTF-8 text never holds, so that a name read from the system or the command line reaches
// the file calls unchanged.
QString FileNameFromBytes(const QByteArray& bytes);
QByteArray FileNameBytes(const QString& name);
// A name or a text holding one, for the user's eyes and for reports: each kept byte shows as
// U+FFFD.
QString ShownText(const QString& text);

// Creates or truncates a file for exclusive writing (access GENERIC_WRITE, share mode 0,
// disposition CREATE_ALWAYS; other values are refused with 0) with the given flags, flushes the
// empty file and returns its handle; 0 when that fails. A symbolic link is never followed.
int32_t FileCreate(const QString& path, int32_t access, int32_t share, int32_t disposition,
                   int32_t flags);

// Opens a file read-only through the system cache (style OF_READ); 0 when that fails.
int32_t FileOpen(const QString& path, int32_t style);

// Reads up to `count` bytes (at most 1024) into the module's block buffer and points `data` at
// them. Returns the count read: -1 for handle 0 or a count above 1024, 0 at the end of the file
// or on a failed read.
int32_t FileRead(int32_t handle, const char*& data, int32_t count);

// Writes the whole block; true only when every byte was written.
bool FileWrite(int32_t handle, const BlockText& block);

// Flushes (when asked) and closes; false for handle 0 (no system call then) or a failed close.
bool FileClose(int32_t handle, bool flush);

// The system's reason for the last failed call of this module, for the log; empty after a
// transfer that fell short without a reason.
QString LastFileError();

// The system's error number behind LastFileError(); 0 when it has none.
int LastFileErrorNumber();

// The system's description of an error number in English, whatever the user's language, for
// diagnostics that front ends show in English.
QString EnglishErrorText(int error);

// Raises the process's limit of open files to the hard limit, so that the multiple-file test
// can hold as many files as the system allows.
void RaiseOpenFileLimit();
