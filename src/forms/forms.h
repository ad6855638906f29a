#pragma once
// The window registry: one instance per window class, created (with its
// load step) on first reference; an unloaded window is forgotten and the
// next reference creates a new one.

#include "forms/form.h"
#include "platform/services/services.h"

#include <QMargins>
#include <QPointer>

#include <functional>
#include <optional>
#include <typeindex>
#include <unordered_map>
#include <vector>

class Forms
{
public:
    explicit Forms(const Services &services);
    ~Forms();
    Forms(const Forms &) = delete;
    Forms &operator=(const Forms &) = delete;

    Services &services() { return m_services; }

    // The window of class T, created and loaded when it does not exist.
    template <class T> T &get()
    {
        if (T *existing = find<T>())
            return *existing;
        auto *form = new T(*this);
        m_forms[std::type_index(typeid(T))] = form;
        form->runLoad();
        return *form;
    }

    // The window of class T if it exists, else null.
    template <class T> T *find() const
    {
        auto it = m_forms.find(std::type_index(typeid(T)));
        return it == m_forms.end() ? nullptr : static_cast<T *>(it->second.data());
    }

    // Called by Form::Unload: the window is no longer the instance of its class.
    void forget(Form *form);

    // Steps that must run before the process ends (leaving the viewer chain).
    void addEndStep(std::function<void()> step);
    // Ends the program at once: the end steps run, no window's close step does.
    void End();
    bool ended() const { return m_ended; }
    // What ending does after the end steps (default: leave the event loop).
    void setEndHandler(std::function<void()> handler) { m_endHandler = std::move(handler); }

    // The last frame the window manager gave a window of each kind (0: any
    // border, 1: a fixed single border), for windows it has not framed yet.
    std::optional<QMargins> &seenFrame(bool fixedBorder) { return m_seenFrame[fixedBorder ? 1 : 0]; }

private:
    Services m_services;
    std::unordered_map<std::type_index, QPointer<Form>> m_forms;
    std::vector<QPointer<Form>> m_unloaded;
    std::vector<std::function<void()>> m_endSteps;
    std::function<void()> m_endHandler;
    bool m_ended = false;
    std::optional<QMargins> m_seenFrame[2];
};
