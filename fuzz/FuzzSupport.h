#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares, in the libFuzzer build and in the replay
// runner of the normal build alike.
namespace fuzz {

// Once per process: a home of its own (as every test has), a GUI application
// object, and in the libFuzzer build no log lines unless
// FOTORIA_FUZZ_VERBOSE is set (millions of inputs would drown the report).
void setUp();

// An empty folder inside the isolated home, the same one on every call.
QString scratch(const QString &name);

QByteArray bytes(const uint8_t *data, size_t size);

// Replaces the file's content; false when it cannot be written.
bool writeFile(const QString &path, const QByteArray &content);

} // namespace fuzz

// A broken promise of the code under test: libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
