/* Another clipboard manager: takes CLIPBOARD_MANAGER, says "manager". MODE "keep":
 * SAVE_TARGETS reads the clipboard as UTF8_STRING, takes it, answers, says "saved";
 * "silent": SAVE_TARGETS is never answered, nothing is put back; "refuse": it is
 * answered at once as not kept; "slow": as "keep",
 * but it asks for TARGETS twice, 700 ms apart, before it reads the text. With a second
 * argument "wait", a manager holding the role is waited for as the convention
 * asks (its window destroyed) before the role is taken.
 * Usage: manager_owner MODE [wait] */
#include "owner.h"

#include <unistd.h>

int main(int argc, char **argv)
{
    const int slow = argc > 1 && strcmp(argv[1], "slow") == 0;
    const int keep = slow || (argc > 1 && strcmp(argv[1], "keep") == 0);
    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_atom_t manager = intern(c, "CLIPBOARD_MANAGER"), save = intern(c, "SAVE_TARGETS"),
                     clipboard = intern(c, "CLIPBOARD"), utf8 = intern(c, "UTF8_STRING"),
                     targets = intern(c, "TARGETS"), kept = intern(c, "KEPT"), looked = intern(c, "LOOKED");
    xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, 0, w, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, s->root_visual, 0, NULL);
    xcb_generic_event_t *e;
    xcb_get_selection_owner_reply_t *held =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), NULL);
    const xcb_window_t other = held ? held->owner : XCB_NONE;
    free(held);
    if (other != XCB_NONE && argc > 2 && strcmp(argv[2], "wait") == 0) {
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, other, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        printf("waiting\n");
        fflush(stdout);
        while ((e = xcb_wait_for_event(c))) {
            const int gone = (e->response_type & 0x7f) == XCB_DESTROY_NOTIFY
                             && ((xcb_destroy_notify_event_t *)e)->window == other;
            free(e);
            if (gone)
                break;
        }
    }
    xcb_set_selection_owner(c, w, manager, XCB_CURRENT_TIME);
    xcb_flush(c);
    printf("manager\n");
    fflush(stdout);
    xcb_selection_request_event_t asked;
    char *text = NULL;
    int length = 0;
    while ((e = xcb_wait_for_event(c))) {
        const int type = e->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            xcb_selection_request_event_t *r = (xcb_selection_request_event_t *)e;
            if (r->selection == manager && r->target == save && argc > 1 && strcmp(argv[1], "refuse") == 0) {
                notify(c, r, XCB_NONE);
            } else if (r->selection == manager && r->target == save) {
                asked = *r;
                if (keep)
                    xcb_convert_selection(c, w, clipboard, slow ? targets : utf8, slow ? looked : kept, r->time);
            } else if (r->selection == clipboard && text && (r->target == targets || r->target == utf8)) {
                const xcb_atom_t offered[] = {targets, utf8};
                if (r->target == targets)
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, XCB_ATOM_ATOM, 32, 2, offered);
                else
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, utf8, 8, length, text);
                notify(c, r, r->property);
            } else {
                notify(c, r, XCB_NONE);
            }
        } else if (type == XCB_SELECTION_NOTIFY && ((xcb_selection_notify_event_t *)e)->property == looked) {
            /* Busy elsewhere for a while, then the next step. */
            static int looks = 0;
            const int again = ++looks < 2;
            usleep(700 * 1000);
            xcb_convert_selection(c, w, clipboard, again ? targets : utf8, again ? looked : kept, asked.time);
        } else if (type == XCB_SELECTION_NOTIFY && ((xcb_selection_notify_event_t *)e)->property == kept) {
            xcb_get_property_reply_t *p =
                xcb_get_property_reply(c, xcb_get_property(c, 1, w, kept, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 24), NULL);
            length = p ? xcb_get_property_value_length(p) : 0;
            text = malloc(length + 1);
            memcpy(text, p ? xcb_get_property_value(p) : "", length);
            free(p);
            xcb_set_selection_owner(c, w, clipboard, XCB_CURRENT_TIME);
            notify(c, &asked, asked.property);
            printf("saved\n");
            fflush(stdout);
        }
        free(e);
        xcb_flush(c);
    }
    return 0;
}
