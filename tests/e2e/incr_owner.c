/* Takes the CLIPBOARD selection and offers text only as an incremental
 * (INCR) transfer, a byte a chunk, the next one 0.9 s after the requestor
 * took the last: "drip" never ends, "steady" sends "abcd" and ends, "stall"
 * starts the transfer and never sends a byte. It goes on even after another
 * program took the selection. Says "started" on its standard error as each
 * transfer starts. */
#include "owner.h"

#include <xcb/xcb.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { kMaxTransfers = 32 };

struct Transfer {
    xcb_window_t requestor;
    xcb_atom_t property;
    double due; /* when the next byte goes out; 0: waiting for the requestor */
    int sent;   /* chunks sent so far */
};

static const char kSteady[] = "abcd";

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char **argv)
{
    const int drip = argc > 1 && strcmp(argv[1], "drip") == 0;
    const int steady = argc > 1 && strcmp(argv[1], "steady") == 0;
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_atom_t targets = intern(c, "TARGETS"),
                     utf8 = intern(c, "UTF8_STRING"), incr = intern(c, "INCR");
    take_clipboard(c);

    struct Transfer t[kMaxTransfers];
    int count = 0;
    for (;;) {
        int timeout = -1;
        for (int i = 0; i < count; ++i) {
            if (t[i].due > 0) {
                const int ms = (int)((t[i].due - now()) * 1000);
                if (timeout < 0 || ms < timeout)
                    timeout = ms < 0 ? 0 : ms;
            }
        }
        struct pollfd p = {xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&p, 1, timeout);
        for (int i = 0; i < count; ++i) {
            if (t[i].due > 0 && t[i].due <= now()) {
                /* "steady": its bytes, then the empty chunk that ends the transfer */
                const char *chunk = steady ? kSteady + t[i].sent : "x";
                const uint32_t n = steady && t[i].sent >= (int)strlen(kSteady) ? 0 : 1;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, t[i].requestor, t[i].property, utf8, 8, n, chunk);
                ++t[i].sent;
                t[i].due = 0;
            }
        }
        xcb_generic_event_t *e;
        while ((e = xcb_poll_for_event(c))) {
            const int type = e->response_type & 0x7f;
            if (type == XCB_SELECTION_REQUEST) {
                xcb_selection_request_event_t *r = (xcb_selection_request_event_t *)e;
                if (r->target == targets) {
                    const xcb_atom_t offered[] = {targets, utf8};
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, XCB_ATOM_ATOM, 32, 2,
                                        offered);
                    notify(c, r, r->property);
                } else if (r->target == utf8 && count < kMaxTransfers) {
                    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(c, r->requestor, XCB_CW_EVENT_MASK, &mask);
                    const uint32_t size = 1000;
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, incr, 32, 1, &size);
                    notify(c, r, r->property);
                    t[count].requestor = r->requestor;
                    t[count].property = r->property;
                    t[count].due = 0;
                    t[count].sent = 0;
                    ++count;
                    fprintf(stderr, "started\n");
                } else {
                    notify(c, r, XCB_NONE);
                }
            } else if (type == XCB_PROPERTY_NOTIFY && (drip || steady)) {
                xcb_property_notify_event_t *pn = (xcb_property_notify_event_t *)e;
                for (int i = 0; i < count; ++i) {
                    /* The requestor took the last value: the next byte in 0.9 s. */
                    if (pn->window == t[i].requestor && pn->atom == t[i].property
                        && pn->state == XCB_PROPERTY_DELETE && t[i].due == 0
                        && (!steady || t[i].sent <= (int)strlen(kSteady)))
                        t[i].due = now() + 0.9;
                }
            }
            free(e);
        }
        xcb_flush(c);
    }
}
