/* Takes the CLIPBOARD selection and offers a text with a password manager's
 * mark (target x-kde-passwordManagerHint), as password managers do.
 * Usage: secret_owner MODE TEXT. MODE says how the mark is served:
 * "secret", "padded" (" SECRET\t" and a NUL byte), "other" ("public"),
 * "case" ("secret", the mark offered as X-KDE-PASSWORDMANAGERHINT),
 * "refuse" (the conversion is refused), "silent" (never answered).
 * Each request is reported on standard output: "mark" for the mark,
 * "content" for anything else but TARGETS. */
#include "owner.h"

#include <xcb/xcb.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void put(xcb_connection_t *c, xcb_selection_request_event_t *r, xcb_atom_t type, const char *bytes, size_t n)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, type, 8, (uint32_t)n, bytes);
    notify(c, r, r->property);
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const char *mode = argv[1], *text = argv[2];
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_atom_t targets = intern(c, "TARGETS"),
                     utf8 = intern(c, "UTF8_STRING"),
                     mark = intern(c, strcmp(mode, "case") == 0 ? "X-KDE-PASSWORDMANAGERHINT" : "x-kde-passwordManagerHint");
    take_clipboard(c);

    xcb_generic_event_t *e;
    while ((e = xcb_wait_for_event(c))) {
        if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            xcb_selection_request_event_t *r = (xcb_selection_request_event_t *)e;
            if (r->target == targets) {
                const xcb_atom_t offered[] = {targets, mark, utf8};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, XCB_ATOM_ATOM, 32, 3,
                                    offered);
                notify(c, r, r->property);
            } else if (r->target == mark) {
                printf("mark\n");
                if (strcmp(mode, "secret") == 0 || strcmp(mode, "case") == 0)
                    put(c, r, mark, "secret", 6);
                else if (strcmp(mode, "padded") == 0)
                    put(c, r, mark, " SECRET\t", 9); /* with the string's NUL */
                else if (strcmp(mode, "other") == 0)
                    put(c, r, mark, "public", 6);
                else if (strcmp(mode, "refuse") == 0)
                    notify(c, r, XCB_NONE);
                /* "silent": no answer at all */
            } else {
                printf("content\n");
                if (r->target == utf8)
                    put(c, r, utf8, text, strlen(text));
                else
                    notify(c, r, XCB_NONE);
            }
            fflush(stdout);
        }
        free(e);
        xcb_flush(c);
    }
    return 0;
}
