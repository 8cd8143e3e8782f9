#pragma once
// The application object: reads the stored preferences, runs the main window, stores the port.
#include "Port.h"
#include "Preferences.h"
#include "SerialCounter.h"
#include "WindowServices.h"

#include <cstdint>
#include <memory>
#include <string>

namespace hx {

class CHX5310ConfigDlg;

class CHX5310ConfigApp {
public:
    explicit CHX5310ConfigApp(IPreferences& prefs) : m_prefs(prefs) {}

    // Start-up: reads the preferences, runs the main window on win with the ports of ports,
    // and stores the port name when the window ended with 2. Returns the window's result.
    int InitInstance(IWindowServices& win, IPortFactory& ports);
    // The start-up before the modal loop: reads the preferences and makes the main window on
    // win, with the stored port as the one it opens.
    std::unique_ptr<CHX5310ConfigDlg> MakeMainWindow(IWindowServices& win, IPortFactory& ports);
    // The end after the modal loop: the port the window used is stored when the window ended
    // with 2 (closed by the user). Returns result.
    int EndMainWindow(const CHX5310ConfigDlg& dlg, int result);

    // The preferences of section m_strSection.
    int GetProfileInt(const std::string& entry, int fallback) {
        return m_prefs.GetInt(m_strSection, entry, fallback);
    }
    std::string GetProfileString(const std::string& entry, const std::string& fallback) {
        return m_prefs.GetString(m_strSection, entry, fallback);
    }
    void WriteProfileInt(const std::string& entry, int value) {
        m_prefs.WriteInt(m_strSection, entry, value);
    }
    void WriteProfileString(const std::string& entry, const std::string& value) {
        m_prefs.WriteString(m_strSection, entry, value);
    }
    // Reads the section name and the stored serial number (start-up steps 6 and 7).
    void LoadPreferences();
    // Reserves the serial number for a box without one (see SerialCounter); on success the
    // counter's next number becomes m_nSerialNumber.
    SerialReservation ReserveSerial(const uint32_t* typed, bool moveBack = false);

    uint32_t m_nSerialNumber = 1; // the next serial number to give a box
    std::string m_strSection = "Settings";

private:
    IPreferences& m_prefs;
};

} // namespace hx
