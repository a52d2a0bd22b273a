#pragma once
// ThreadSanitizer's suppressions for the libraries that are not built for it, for a
// thread-test program that draws captions or encodes. Include it from one source
// file of the program only: it defines the function the sanitizer's runtime looks up.
//
// The font stack synchronises in ways the sanitizer cannot see: Pango matches fonts
// on helper threads of its own and GLib hands their results back through
// futex-based locks; HarfBuzz and Cairo fill shared caches with lock-free atomics.
// FFmpeg's encoders run slice threads of their own over buffers they share. The
// sanitizer therefore reports races inside these libraries, on their own memory.
// Only races with one of them on a stack are left out, so a race on the pictures or
// frames, which our code alone touches, is still reported.
extern "C" const char* __tsan_default_suppressions() {  // NOLINT(readability-identifier-naming)
    return "race:libfontconfig.so\n"
           "race:libglib-2.0.so\n"
           "race:libpango-1.0.so\n"
           "race:libpangoft2-1.0.so\n"
           "race:libpangocairo-1.0.so\n"
           "race:libgobject-2.0.so\n"
           "race:libharfbuzz.so\n"
           "race:libcairo.so\n"
           "race:libfreetype.so\n"
           "race:libavcodec.so\n"
           "race:libavutil.so\n";
}
