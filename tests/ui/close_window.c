/* Asks a window of the X display in DISPLAY to close, the way a window manager's close
 * button does: a WM_DELETE_WINDOW message of the WM_PROTOCOLS kind, sent to the window
 * itself. xdotool's windowclose and windowkill destroy the window instead, and the
 * program never hears that it is being closed.
 *
 *   tamblinor-close-window WINDOW_ID
 */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        fprintf(stderr, "usage: tamblinor-close-window WINDOW_ID\n");
        return 64;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "tamblinor-close-window: cannot open the display\n");
        return 1;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
