#pragma once
// Owning pointers for the Cairo, Pango and GLib objects that captions and drawings
// use. Internal to the image library.

#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

template <class T, void (*Free)(T*)>
struct CFreeDeleter {
    void operator()(T* object) const {
        if (object) Free(object);
    }
};

struct GObjectDeleter {
    void operator()(void* object) const {
        if (object) g_object_unref(object);
    }
};

using CairoSurfacePtr =
    std::unique_ptr<cairo_surface_t, CFreeDeleter<cairo_surface_t, cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, CFreeDeleter<cairo_t, cairo_destroy>>;
using CairoFontOptionsPtr =
    std::unique_ptr<cairo_font_options_t,
                    CFreeDeleter<cairo_font_options_t, cairo_font_options_destroy>>;
using FontDescriptionPtr =
    std::unique_ptr<PangoFontDescription,
                    CFreeDeleter<PangoFontDescription, pango_font_description_free>>;
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;
