#pragma once

/*
 * The HID access module's C interface. Two modules export it:
 *
 *   libhidgate.so      the real one: hidraw nodes found with libudev
 *   libhidgate-sim.so  a simulated keyboard for tests and for running without a keyboard
 *
 * The program loads one of them by file name at run time (dlopen) and looks the entry points up by name.
 *
 * Handles stand for one top-level collection of one keyboard. They are never reused within a process and are
 * reference-counted: a SetFeature that races CloseHidDevice on the same handle either completes on the still
 * open node or fails with EBADF; it never reaches a closed or reused file descriptor. All entry points are safe to
 * call from any thread.
 *
 * Failures return 0 and leave the reason in errno; HidgateLastMessage gives a readable text for the calling
 * thread's last failed OpenHidDevice (for example "no access to /dev/hidraw3 — install the udev rule").
 *
 * Simulated keyboard (libhidgate-sim.so)
 * --------------------------------------
 * Presents one keyboard with the vendor and product id it is asked for and four vendor collections (usage page
 * 0xFF00, usage 1): matrix (feature length 577, report id 9), lighting (42, id 10), per-key colours (146, id 11),
 * macros (961, id 12). Each SetFeature is checked: the report id must belong to the collection and the length must
 * be exact (else EINVAL). The last report of each id is kept in the state file, replaced atomically on every write
 * so another process can read what the keyboard holds:
 *
 *   KAVREL_SIM_STATE   path of the state file; default $XDG_RUNTIME_DIR/kavrel-sim.state, else
 *                      /tmp/kavrel-sim-<uid>.state
 *
 *   State file: text lines "report <id> <writes> <hex bytes>", one per report id written so far, where <writes>
 *   counts the accepted writes of that id and <hex bytes> is the whole last report (report id byte first) in
 *   lower-case hex. The file is read back when the simulated keyboard next writes, so it holds the keyboard's
 *   memory across processes.
 *
 *   KAVREL_SIM_OPTIONS  comma-separated list, read at each OpenHidDevice:
 *     drop=C            the keyboard lacks collection C (matrix, led, color, macro)
 *     product=TEXT      product string (default "Kavrel Gaming Keyboard")
 *     keyboards=N       present N identical keyboards (1..8; 0 presents none)
 *     fail=C:N[:E]      the next N writes to collection C fail with errno E (default EIO = 5);
 *                       N may be "always"; the count starts when the collection is opened
 *     delay=MS          each write takes MS milliseconds (0..10000)
 *     unplugged=1       no keyboard is found, and writes to open handles fail with ENODEV
 *   Unknown or malformed options are ignored.
 *
 *   KAVREL_SIM_OPTIONS_FILE  path of a file with more options (separated by commas or lines), read after
 *                      KAVREL_SIM_OPTIONS at each OpenHidDevice and, when its content changed, by every open
 *                      handle at its next write (delay, failures and unplugged then follow the file), so that
 *                      faults can be switched on and off while a program runs.
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 0 means no handle. */
typedef uintptr_t HidgateHandle;

/* Offered each matching collection; returns non-zero to accept it. Arguments: the hidraw node (or a simulated
   name), the collection's input, output and feature report lengths in bytes, report id byte included. */
typedef int (*HidgateFilter)(const char* node, int inputLength, int outputLength, int featureLength);

/* Write access, as the program passes it. */
#define HIDGATE_ACCESS_WRITE 0x40000000u

/* Finds keyboards whose id text is "VID_xxxx&PID_xxxx" (hex, any case) and offers each top-level collection
   with the usage page and usage to the filter, in enumeration order. Returns the handle of the first accepted
   collection, or 0 (errno set). reserved1, reserved2 and shareMode must be 0; logLevel non-zero writes the
   module's reasons to standard error. When count is not NULL, the call only counts: it stores the number of
   matching keyboards with at least one accepted collection and opens nothing (returns 0). */
HidgateHandle OpenHidDevice(unsigned usagePage, unsigned usage, const char* idText, HidgateFilter filter,
    void* reserved1, unsigned reserved2, int logLevel, unsigned shareMode, unsigned access, int* count);

/* Sends one feature report; buffer[0] is the report id. Non-zero on success; 0 with errno on failure. */
int SetFeature(HidgateHandle handle, const uint8_t* buffer, size_t length);

/* Reads one feature report whose id is in buffer[0]. Non-zero on success. */
int GetFeature(HidgateHandle handle, uint8_t* buffer, size_t length);

/* Reads one input report (the next one the device sends). Non-zero on success. */
int GetInputReport(HidgateHandle handle, uint8_t* buffer, size_t length);

/* Copies the device's USB product string (UTF-8, zero-terminated, cut to size - 1 bytes). Non-zero on success. */
int GetProductString(HidgateHandle handle, char* buffer, size_t size);

/* Releases a handle; unknown and 0 handles are ignored. */
void CloseHidDevice(HidgateHandle handle);

/* Copies the calling thread's last reason text (empty when none) and returns its length. */
size_t HidgateLastMessage(char* buffer, size_t size);

#ifdef __cplusplus
}
#endif
