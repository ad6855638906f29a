/* What the test owners of the CLIPBOARD selection share: naming atoms,
 * taking the selection, and telling a requestor that its conversion is done
 * (property) or refused (XCB_NONE). */
#pragma once

#include <xcb/xcb.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The atom of the first n bytes of name; XCB_NONE when the server does not answer. */
static inline xcb_atom_t intern_n(xcb_connection_t *c, const char *name, size_t n)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)n, name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

static inline xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    return intern_n(c, name, strlen(name));
}

static inline void notify(xcb_connection_t *c, xcb_selection_request_event_t *req, xcb_atom_t property)
{
    xcb_selection_notify_event_t n;
    memset(&n, 0, sizeof n);
    n.response_type = XCB_SELECTION_NOTIFY;
    n.time = req->time;
    n.requestor = req->requestor;
    n.selection = req->selection;
    n.target = req->target;
    n.property = property;
    xcb_send_event(c, 0, req->requestor, XCB_EVENT_MASK_NO_EVENT, (const char *)&n);
}

/* Takes the CLIPBOARD selection with a window of its own and says "owner"
 * on standard output, which the tests wait for. */
static inline xcb_window_t take_clipboard(xcb_connection_t *c)
{
    xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, 0, w, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, s->root_visual, 0, NULL);
    xcb_set_selection_owner(c, w, intern(c, "CLIPBOARD"), XCB_CURRENT_TIME);
    xcb_flush(c);
    printf("owner\n");
    fflush(stdout);
    return w;
}
