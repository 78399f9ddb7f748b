/* libscanlink: scanning over SANE.  An acquisition runs on the caller's thread (the program runs
 * it on a worker thread), can be cancelled from any thread, and leaves the finished image in the
 * library under a number; GetScanedDib turns that number into an image record of 1 bit (line
 * art), 8 bits grey (grey-ramp colour table) or 24 bits (colour).  No Qt here. */
#pragma once

#include <pictora.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scanlink {

struct Device {
    std::string name;        // "test:0"
    std::string description; // vendor, model and type
};

enum class Mode { Color, Gray, Lineart };

// Part of the scanner's glass to scan, in millimetres from its top left corner.
struct ScanArea {
    double left = 0, top = 0, width = 0, height = 0;
    bool whole() const { return width <= 0 || height <= 0; }
};

struct ScanSettings {
    ScanSettings(Mode m = Mode::Color, int dpi = 0) : mode(m), resolution(dpi) {}
    Mode mode = Mode::Color;
    int resolution = 0; // dots per inch; 0 = the device's own setting
    ScanArea area;      // empty: the device's whole area
    // A device that delivers nothing for this long has gone away: the scan fails instead of
    // waiting for ever.
    int stallSeconds = 60;
};

// The SANE devices present; empty when there are none or SANE cannot start.
std::vector<Device> ListDevices();

// Acquires one image from device.  progress gets 0 .. 100 as rows arrive (may be null), on the
// calling thread.  The device is driven on a thread of its own, so that a cancel (polled every
// few milliseconds) or a stalled device ends the call even while the driver hangs inside one
// read; such a driver is left to finish by itself and SANE counts as unavailable until it has.
// On success returns the number under which the image waits for GetScanedDib (greater than 0);
// on failure or cancel returns 0 and sets error to the German message (empty after a cancel).
intptr_t Acquire(const std::string& device, const ScanSettings& settings,
                 const std::function<void(int)>& progress, const std::atomic<bool>* cancel,
                 std::string& error);

// Texts of the failures.
inline constexpr const char* kTextNoDevice = "Der Scanner ist nicht verfügbar: ";
inline constexpr const char* kTextScanFailed = "Das Scannen ist fehlgeschlagen: ";
inline constexpr const char* kTextNoAnswer = "Der Scanner antwortet nicht";

// Test hook: the SANE library to open instead of the system's "libsane.so.1" (a stand-in that
// misbehaves on purpose).  Later calls use it; a library loaded before stays loaded.
void UseSaneLibrary(const std::string& path);

} // namespace scanlink

/* Fills out with the image acquired under wParam and forgets it there (each image is delivered
 * once).  out->Bits is NULL when no image could be delivered (unknown number, memory short). */
extern "C" void GetScanedDib(TDibRecord* out, intptr_t wParam);
