# A GTK program: copies a text ("text TEXT") or a picture ("picture FILE"),
# says "copied", quits after MS ms and hands its clipboard to the manager.
import sys
import gi
gi.require_version('Gtk', '3.0')
from gi.repository import Gdk, GdkPixbuf, GLib, Gtk

clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)


def copy():
    if sys.argv[1] == 'text':
        clipboard.set_text(sys.argv[2], -1)
    else:
        clipboard.set_image(GdkPixbuf.Pixbuf.new_from_file(sys.argv[2]))
    clipboard.set_can_store(None)
    print('copied', flush=True)
    GLib.timeout_add(int(sys.argv[3]), Gtk.main_quit)


GLib.idle_add(copy)
Gtk.main()
clipboard.store()
