#include "platform/services/x11connection.h"

#include <QGuiApplication>

#include <algorithm>
#include <utility>
#include <vector>

namespace x11 {

bool onX11()
{
    return qGuiApp && QGuiApplication::platformName() == QLatin1String("xcb");
}

xcb_connection_t *connection()
{
    if (!onX11())
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t intern(xcb_connection_t *c, const QByteArray &name)
{
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr));
    return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

xcb_atom_t Atoms::operator()(const QByteArray &name)
{
    auto it = m_known.find(name);
    if (it == m_known.end())
        it = m_known.emplace(name, intern(m_c, name)).first;
    return it->second;
}

void Atoms::prefetch(const QByteArrayList &names)
{
    std::vector<std::pair<QByteArray, xcb_intern_atom_cookie_t>> asked;
    for (const QByteArray &name : names) {
        if (!m_known.count(name))
            asked.emplace_back(name, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(name.size()), name.constData()));
    }
    for (const auto &[name, cookie] : asked) {
        Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(m_c, cookie, nullptr));
        m_known.emplace(name, r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE));
    }
}

QByteArrayList Atoms::namesOf(const std::vector<xcb_atom_t> &atoms)
{
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> asked;
    for (const xcb_atom_t a : atoms) {
        if (!m_names.count(a) && std::none_of(asked.begin(), asked.end(), [a](const auto &q) { return q.first == a; }))
            asked.emplace_back(a, xcb_get_atom_name(m_c, a));
    }
    for (const auto &[a, cookie] : asked) {
        Reply<xcb_get_atom_name_reply_t> r(xcb_get_atom_name_reply(m_c, cookie, nullptr));
        m_names.emplace(a, r ? QByteArray(xcb_get_atom_name_name(r.get()), xcb_get_atom_name_name_length(r.get()))
                             : QByteArray());
    }
    QByteArrayList names;
    for (const xcb_atom_t a : atoms)
        names << m_names[a];
    return names;
}

xcb_atom_t atom(const QByteArray &name)
{
    static Atoms known(connection());
    return known(name);
}

} // namespace x11
