#pragma once

// What the program calls itself and where its makers can be reached.
inline constexpr const char* kProductName = "Quillmoot Organiser";
inline constexpr const char* kProductVersion = "6.2.0";
inline constexpr const char* kProductWebAddress = "https://quillmoot.example.org/";
inline constexpr const char* kProductEmail = "support@quillmoot.example.org";
inline constexpr const char* kProductPhone = "+44 20 7946 0123";
