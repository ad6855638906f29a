/* Takes the CLIPBOARD selection and offers the targets it is given, in that
 * order. Usage: offer_owner TARGET=@FILE ... (the bytes of FILE, as type
 * TARGET) or TARGET=! (the conversion is refused). Prints "owner" once it
 * owns the selection, and serves until it is ended. */
#include "owner.h"

#include <xcb/xcb.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kMaxTargets = 16 };

struct Offer {
    xcb_atom_t atom;
    char *bytes; /* null: refused */
    long size;
};

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
    for (int i = 1; i < argc && count < kMaxTargets; ++i) {
        const char *eq = strchr(argv[i], '=');
        if (!eq)
            return 2;
        struct Offer *o = &offers[count++];
        o->atom = intern_n(c, argv[i], (size_t)(eq - argv[i]));
        o->bytes = NULL;
        o->size = 0;
        if (eq[1] == '@' && !(o->bytes = slurp(eq + 2, &o->size)))
            return 3;
    }
    const xcb_atom_t targets = intern(c, "TARGETS");
    take_clipboard(c);

    xcb_generic_event_t *e;
    while ((e = xcb_wait_for_event(c))) {
        if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
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
                if (r->target == offers[i].atom && offers[i].bytes) {
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
