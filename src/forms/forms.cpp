#include "forms/forms.h"

#include <QCoreApplication>

Forms::Forms(const Services &services)
    : m_services(services)
    , m_endHandler([] { QCoreApplication::exit(0); })
{
}

Forms::~Forms()
{
    // Windows go without their close steps, as at the end of the program.
    for (auto &[type, form] : m_forms)
        delete form.data();
    for (auto &form : m_unloaded)
        delete form.data();
}

void Forms::forget(Form *form)
{
    for (auto it = m_forms.begin(); it != m_forms.end(); ++it) {
        if (it->second == form) {
            m_forms.erase(it);
            break;
        }
    }
    // Those already deleted are forgotten, so that the list holds only the pending ones.
    std::erase_if(m_unloaded, [](const QPointer<Form> &f) { return f.isNull(); });
    m_unloaded.emplace_back(form);
}

void Forms::addEndStep(std::function<void()> step)
{
    m_endSteps.push_back(std::move(step));
}

void Forms::End()
{
    if (m_ended)
        return;
    m_ended = true;
    // The windows go at once; the end steps may wait a moment (another
    // clipboard manager taking the clipboard over).
    for (auto &[type, form] : m_forms) {
        if (form)
            form->hide();
    }
    for (auto &step : m_endSteps)
        step();
    if (m_endHandler)
        m_endHandler();
}
