#pragma once

/* The keyboard hook: while it runs, every key struck anywhere on the X display is posted to one
 * window as a window message. The message travels as an X client message of type
 * KBWATCH_MESSAGE_ATOM, format 32, sent to that window: data32[0] the message number, data32[1]
 * wParam (the virtual-key code) and data32[2] lParam (the keystroke flags: repeat count 1 in bits
 * 0-15, the scan code in bits 16-23, bit 30 when the key was already down, bit 31 on release). */

#define KBWATCH_MESSAGE_ATOM "_KBWATCH_WINDOW_MESSAGE"

#ifdef __cplusplus
extern "C" {
#endif

/* Starts watching and posting to the X window `window`, replacing any watch already running.
 * Nonzero when the hook runs; 0 without an X server, for a window that does not exist, or when
 * the server cannot report raw key events. */
int StartKeyHook(unsigned long window, unsigned int message);

/* Stops the watch. Harmless when none runs, any number of times. */
void StopKeyHook(void);

#ifdef __cplusplus
}
#endif
