// Reading a text file for sending: its raw bytes, in chunks of at most 256,
// handed to a callback until the end of the file or a failed read.
#pragma once

#include <functional>

constexpr int TEXT_FILE_CHUNK = 256;

using TextChunkFn = std::function<void(const char* bytes, int count)>;

// path: UTF-8. Returns 1 if the file was opened (whatever the reads gave),
// 0 if it could not be opened.
int ReadTextFileChunks(const char* path, const TextChunkFn& chunk);
