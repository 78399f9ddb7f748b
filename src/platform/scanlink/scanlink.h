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

struct ScanSettings {
    Mode mode = Mode::Color;
    int resolution = 0; // dots per inch; 0 = the device's own setting
};

// The SANE devices present; empty when there are none or SANE cannot start.
std::vector<Device> ListDevices();

// Acquires one image from device.  progress gets 0 .. 100 as rows arrive (may be null); cancel
// is polled between reads.  On success returns the number under which the image waits for
// GetScanedDib (greater than 0); on failure or cancel returns 0 and sets error to the German
// message (empty after a cancel).
intptr_t Acquire(const std::string& device, const ScanSettings& settings,
                 const std::function<void(int)>& progress, const std::atomic<bool>* cancel,
                 std::string& error);

// Texts of the failures.
inline constexpr const char* kTextNoDevice = "Der Scanner ist nicht verfügbar: ";
inline constexpr const char* kTextScanFailed = "Das Scannen ist fehlgeschlagen: ";

} // namespace scanlink

/* Fills out with the image acquired under wParam and forgets it there (each image is delivered
 * once).  out->Bits is NULL when no image could be delivered (unknown number, memory short). */
extern "C" void GetScanedDib(TDibRecord* out, intptr_t wParam);
