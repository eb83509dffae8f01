#include "DriveLink.h"

#include <QAbstractButton>
#include <QMetaObject>

CDriveLink::CDriveLink(CModbusMaster& master, const std::atomic<uint8_t>& address, QObject* parent)
    : QObject(parent), m_master(master), m_address(address), m_queue([this](uint64_t id) {
          // Posted to this object, which lives on the UI thread; pending
          // deliveries die with it.
          QMetaObject::invokeMethod(
              this, [this, id] { m_queue.Deliver(id); }, Qt::QueuedConnection);
      })
{
}

CDriveLink::~CDriveLink() { m_queue.Stop(); }

CDriveLink::Busy::Busy(CDriveLink& link, QWidget* trigger) : m_link(link)
{
    if (!trigger) return;
    if (qobject_cast<QAbstractButton*>(trigger)) {
        m_buttonKey = trigger;
        m_button = trigger;
        BusyCount& busy = m_link.m_busyButtons[trigger];
        if (busy.count++ == 0) {
            busy.wasEnabled = trigger->isEnabled();
            trigger->setEnabled(false);
        }
    }
    m_windowKey = trigger->window();
    m_window = m_windowKey;
    if (m_link.m_busyWindows[m_windowKey]++ == 0) m_windowKey->setCursor(Qt::WaitCursor);
}

void CDriveLink::Busy::Release()
{
    if (m_released) return;
    m_released = true;
    // A widget destroyed meanwhile leaves only its count to clear.
    if (m_buttonKey) {
        auto it = m_link.m_busyButtons.find(m_buttonKey);
        if (it != m_link.m_busyButtons.end() && --it->second.count == 0) {
            if (m_button) m_button->setEnabled(it->second.wasEnabled);
            m_link.m_busyButtons.erase(it);
        }
    }
    if (m_windowKey) {
        auto it = m_link.m_busyWindows.find(m_windowKey);
        if (it != m_link.m_busyWindows.end() && --it->second == 0) {
            if (m_window) m_window->unsetCursor();
            m_link.m_busyWindows.erase(it);
        }
    }
}
