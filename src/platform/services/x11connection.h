#pragma once
// The toolkit's connection to the X server, and what talking to the server
// directly needs: atoms by name and replies that free themselves.

#include <QByteArray>
#include <QByteArrayList>

#include <xcb/xcb.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

namespace x11 {

// True when the toolkit runs on X11 (its xcb platform).
bool onX11();
// The toolkit's own connection; null when it does not run on X11.
xcb_connection_t *connection();

// A reply of the server, freed when it goes.
struct FreeReply {
    void operator()(void *p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

// The atom named `name`, asked of the server (XCB_ATOM_NONE when it gives none).
xcb_atom_t intern(xcb_connection_t *c, const QByteArray &name);

// The atoms of one connection by name, each asked of the server once.
class Atoms
{
public:
    explicit Atoms(xcb_connection_t *c) : m_c(c) {}
    xcb_atom_t operator()(const QByteArray &name);
    // Asks for all of `names` at once, one wait for all the answers.
    void prefetch(const QByteArrayList &names);
    // The names of `atoms` (empty for one the server does not know), those
    // not known yet asked all at once.
    QByteArrayList namesOf(const std::vector<xcb_atom_t> &atoms);

private:
    xcb_connection_t *m_c;
    std::map<QByteArray, xcb_atom_t> m_known;
    std::map<xcb_atom_t, QByteArray> m_names;
};

// The atom named `name` on the toolkit's connection, asked once; only
// where connection() is not null, and on the window thread.
xcb_atom_t atom(const QByteArray &name);

} // namespace x11
