/* Takes the CLIPBOARD selection and never answers a request for it. */
#include <xcb/xcb.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(void)
{
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, 0, w, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, s->root_visual, 0, NULL);
    xcb_intern_atom_reply_t *a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 9, "CLIPBOARD"), NULL);
    xcb_set_selection_owner(c, w, a->atom, XCB_CURRENT_TIME);
    xcb_flush(c);
    printf("owner\n");
    fflush(stdout);
    for (;;)
        pause();
}
