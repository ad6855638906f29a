/* Takes the CLIPBOARD selection and offers the targets it is given, in that
 * order. Usage: offer_owner TARGET=@FILE ... (the bytes of FILE, as type
 * TARGET), TARGET=%FILE (the same as an incremental transfer, 100 bytes a
 * chunk), TARGET=! (the conversion is refused) or TARGET=~ (an incremental
 * transfer that never ends: a chunk "x"). A chunk goes out as soon as the
 * requestor deletes the last one. Prints "owner" once it owns the selection,
 * and serves until it is ended. With "save" first, it quits as a program
 * that cares for its clipboard does once its standard input ends: it asks
 * the clipboard manager to keep all its targets (SAVE_TARGETS), serves the
 * manager meanwhile, and says "saved" or "not saved" when answered. With
 * "twice" first, it takes the selection again with the same window 20 ms
 * later, as GNOME's bridge from Wayland announces each copy. With "clear"
 * first, it empties the clipboard once its standard input ends, and runs on. */
#include "owner.h"

#include <xcb/xcb.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kMaxTargets = 16, kMaxTransfers = 16, kChunk = 100 };

struct Offer {
    xcb_atom_t atom;
    char *bytes; /* null: refused */
    long size;
    int incremental; /* TARGET=% */
    int endless;     /* TARGET=~ */
};

/* An incremental transfer in progress: where its chunks go, and what is left. */
struct Transfer {
    xcb_window_t requestor;
    xcb_atom_t property;
    const struct Offer *offer;
    long sent; /* -1: ended */
};

/* The next chunk of `t`: "x" for an endless one, else the next bytes, then
 * the empty chunk that ends the transfer. Into a window that may be gone;
 * the error that brings is ignored. */
static void sendChunk(xcb_connection_t *c, struct Transfer *t)
{
    const struct Offer *o = t->offer;
    if (o->endless) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, t->requestor, t->property, o->atom, 8, 1, "x");
        return;
    }
    const long n = o->size - t->sent < kChunk ? o->size - t->sent : kChunk;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, t->requestor, t->property, o->atom, 8, (uint32_t)n,
                        o->bytes + t->sent);
    t->sent = n == 0 ? -1 : t->sent + n;
}

static char *slurp(const char *path, long *size)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return NULL;
    fseek(f, 0, SEEK_END);
    *size = ftell(f);
    fseek(f, 0, SEEK_SET);
    char *bytes = malloc(*size > 0 ? *size : 1);
    if (fread(bytes, 1, *size, f) != (size_t)*size)
        *size = 0;
    fclose(f);
    return bytes;
}

int main(int argc, char **argv)
{
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    struct Offer offers[kMaxTargets];
    int count = 0;
    const int save = argc > 1 && strcmp(argv[1], "save") == 0;
    const int twice = argc > 1 && strcmp(argv[1], "twice") == 0;
    const int clear = argc > 1 && strcmp(argv[1], "clear") == 0;
    for (int i = 1 + save + twice + clear; i < argc && count < kMaxTargets; ++i) {
        const char *eq = strrchr(argv[i], '='); /* a type may hold '=' itself */
        if (!eq)
            return 2;
        struct Offer *o = &offers[count++];
        o->atom = intern_n(c, argv[i], (size_t)(eq - argv[i]));
        o->bytes = NULL;
        o->size = 0;
        o->endless = eq[1] == '~';
        o->incremental = eq[1] == '%' || o->endless;
        if ((eq[1] == '@' || eq[1] == '%') && !(o->bytes = slurp(eq + 2, &o->size)))
            return 3;
    }
    const xcb_atom_t targets = intern(c, "TARGETS"), incr = intern(c, "INCR"), manager = intern(c, "CLIPBOARD_MANAGER"),
                     saveTargets = intern(c, "SAVE_TARGETS"), list = intern(c, "SAVE_LIST");
    const xcb_window_t w = take_clipboard(c);
    if (twice) {
        usleep(20 * 1000);
        xcb_set_selection_owner(c, w, intern(c, "CLIPBOARD"), XCB_CURRENT_TIME);
        xcb_flush(c);
    }

    struct Transfer transfers[kMaxTransfers];
    int running = 0;
    int asked = 0;
    xcb_generic_event_t *e;
    for (;;) {
        if ((save || clear) && !asked) {
            /* Serves until its standard input ends, then asks the manager. */
            struct pollfd p[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {0, POLLIN, 0}};
            poll(p, 2, -1);
            char b[64];
            if (clear && (p[1].revents & (POLLIN | POLLHUP)) && read(0, b, sizeof b) <= 0) {
                xcb_set_selection_owner(c, XCB_NONE, intern(c, "CLIPBOARD"), XCB_CURRENT_TIME);
                xcb_flush(c);
                asked = 1;
            } else if (save && (p[1].revents & (POLLIN | POLLHUP)) && read(0, b, sizeof b) <= 0) {
                xcb_atom_t names[kMaxTargets];
                for (int i = 0; i < count; ++i)
                    names[i] = offers[i].atom;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, list, XCB_ATOM_ATOM, 32, (uint32_t)count, names);
                xcb_convert_selection(c, w, manager, saveTargets, list, XCB_CURRENT_TIME);
                xcb_flush(c);
                asked = 1;
            }
            if (!(e = xcb_poll_for_event(c)))
                continue;
        } else if (!(e = xcb_wait_for_event(c))) {
            break;
        }
        if ((e->response_type & 0x7f) == XCB_SELECTION_NOTIFY
            && ((xcb_selection_notify_event_t *)e)->target == saveTargets) {
            printf(((xcb_selection_notify_event_t *)e)->property != XCB_NONE ? "saved\n" : "not saved\n");
            fflush(stdout);
            return 0;
        }
        if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            /* The requestor took the last chunk: the next one at once. */
            xcb_property_notify_event_t *pn = (xcb_property_notify_event_t *)e;
            for (int i = 0; i < running; ++i) {
                if (pn->window == transfers[i].requestor && pn->atom == transfers[i].property
                    && pn->state == XCB_PROPERTY_DELETE && transfers[i].sent >= 0)
                    sendChunk(c, &transfers[i]);
            }
            xcb_flush(c);
        } else if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            xcb_selection_request_event_t *r = (xcb_selection_request_event_t *)e;
            xcb_atom_t answer = XCB_NONE;
            if (r->target == targets) {
                xcb_atom_t list[kMaxTargets + 1];
                list[0] = targets;
                for (int i = 0; i < count; ++i)
                    list[i + 1] = offers[i].atom;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, XCB_ATOM_ATOM, 32,
                                    (uint32_t)count + 1, list);
                answer = r->property;
            }
            for (int i = 0; i < count; ++i) {
                if (r->target == offers[i].atom && offers[i].incremental && running < kMaxTransfers) {
                    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(c, r->requestor, XCB_CW_EVENT_MASK, &mask);
                    const uint32_t size = (uint32_t)offers[i].size;
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, incr, 32, 1, &size);
                    transfers[running++] = (struct Transfer){r->requestor, r->property, &offers[i], 0};
                    answer = r->property;
                } else if (r->target == offers[i].atom && offers[i].bytes) {
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, offers[i].atom, 8,
                                        (uint32_t)offers[i].size, offers[i].bytes);
                    answer = r->property;
                }
            }
            notify(c, r, answer);
            xcb_flush(c);
        }
        free(e);
    }
    return 0;
}
