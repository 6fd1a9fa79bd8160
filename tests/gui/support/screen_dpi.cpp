#include "gui/support/screen_dpi.h"

#include <dlfcn.h>

#include <string>

#include "gui/dialogs/dpi_scope.h"

namespace {

// GTK is loaded with the window library; its settings object is reached without its headers.
using SettingsGetter = void* (*)();
using PropertyAccess = void (*)(void*, const char*, ...);

void* FontSettings(PropertyAccess* set, PropertyAccess* get) {
    auto settings =
        reinterpret_cast<SettingsGetter>(dlsym(RTLD_DEFAULT, "gtk_settings_get_default"));
    *set = reinterpret_cast<PropertyAccess>(dlsym(RTLD_DEFAULT, "g_object_set"));
    *get = reinterpret_cast<PropertyAccess>(dlsym(RTLD_DEFAULT, "g_object_get"));
    return settings && *set && *get ? settings() : nullptr;
}

// GTK counts in 1024ths of a dot per inch.
constexpr int kGtkDpiUnit = 1024;

}  // namespace

ScreenDpi::ScreenDpi(int dpi) : factor_(kDpiOverrideVariable, std::to_string(dpi).c_str()) {
    PropertyAccess set = nullptr;
    PropertyAccess get = nullptr;
    if (void* settings = FontSettings(&set, &get)) {
        get(settings, "gtk-xft-dpi", &oldFontDpi_, nullptr);
        set(settings, "gtk-xft-dpi", dpi * kGtkDpiUnit, nullptr);
    }
}

ScreenDpi::~ScreenDpi() {
    PropertyAccess set = nullptr;
    PropertyAccess get = nullptr;
    if (void* settings = FontSettings(&set, &get)) {
        set(settings, "gtk-xft-dpi", oldFontDpi_, nullptr);
    }
}
