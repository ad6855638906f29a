/* Asks for the CLIPBOARD as the target named by its argument, takes the
 * first chunk of an incremental answer, says "stalled" (or "whole" for an
 * answer in one piece) and then reads no more, until it is ended. */
#include "owner.h"

#include <unistd.h>

int main(int argc, char **argv)
{
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (argc < 2 || xcb_connection_has_error(c))
        return 1;
    xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, 0, w, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, s->root_visual, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t prop = intern(c, "STALLED_READER");
    xcb_convert_selection(c, w, intern(c, "CLIPBOARD"), intern(c, argv[1]), prop, XCB_CURRENT_TIME);
    xcb_flush(c);
    int incremental = -1; /* not known until the answer */
    xcb_generic_event_t *e;
    while (incremental != 0 && (e = xcb_wait_for_event(c))) {
        const int type = e->response_type & 0x7f;
        if (type == XCB_SELECTION_NOTIFY) {
            /* Reading the property deletes it, which asks an incremental owner for its first chunk. */
            xcb_get_property_reply_t *r =
                xcb_get_property_reply(c, xcb_get_property(c, 1, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), NULL);
            incremental = r && r->type == intern(c, "INCR");
            free(r);
        } else if (type == XCB_PROPERTY_NOTIFY && incremental == 1
                   && ((xcb_property_notify_event_t *)e)->state == XCB_PROPERTY_NEW_VALUE) {
            free(e);
            break;
        }
        free(e);
    }
    printf(incremental == 1 ? "stalled\n" : "whole\n");
    fflush(stdout);
    for (;;)
        pause();
}
