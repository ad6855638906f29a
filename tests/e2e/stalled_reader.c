/* Asks for the CLIPBOARD as the target named by its argument, takes the
 * first chunk of an incremental answer, says "stalled" and then reads no
 * more, until it is ended. */
#include "owner.h"

#include <unistd.h>

/* The next event of `type`; of property notices only a new value counts. */
static xcb_generic_event_t *next_of(xcb_connection_t *c, int type)
{
    xcb_generic_event_t *e;
    while ((e = xcb_wait_for_event(c))) {
        if ((e->response_type & 0x7f) == type
            && (type != XCB_PROPERTY_NOTIFY || ((xcb_property_notify_event_t *)e)->state == XCB_PROPERTY_NEW_VALUE))
            return e;
        free(e);
    }
    return NULL;
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, 0, w, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, s->root_visual, XCB_CW_EVENT_MASK,
                      &mask);
    const xcb_atom_t prop = intern(c, "STALLED_READER");
    xcb_convert_selection(c, w, intern(c, "CLIPBOARD"), intern(c, argv[1]), prop, XCB_CURRENT_TIME);
    xcb_flush(c);
    free(next_of(c, XCB_SELECTION_NOTIFY));
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 1, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), NULL);
    const int incremental = r && r->type == intern(c, "INCR");
    free(r);
    xcb_flush(c); /* deleting the INCR property asks for the first chunk */
    if (incremental)
        free(next_of(c, XCB_PROPERTY_NOTIFY));
    printf(incremental ? "stalled\n" : "whole\n");
    fflush(stdout);
    for (;;)
        pause();
}
