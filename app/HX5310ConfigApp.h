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
    // The store the serial numbers come from: by default the counter in the preferences
    // (SerialCounter); a program may name another (a line's database). Not owned.
    void SetSerialStore(ISerialStore* store) { m_pStore = store; }
    // Reserves the serial number for a box without one; on success the counter's next number
    // becomes m_nSerialNumber, and the reservation stays open until FinishSerial.
    SerialReservation ReserveSerial(const uint32_t* typed, bool moveBack = false,
                                    const BoxRecord& record = {});
    // The end of the open reservation: the box stored its number (programmed) or not; sent:
    // the settings image sent with the number, empty when none. A record that cannot be
    // brought up to date is kept in RecordProblem().
    void FinishSerial(bool programmed, const std::string& sent);
    bool ReservationOpen() const { return m_bReservationOpen != 0; }
    // The last reservation asked for, successful or not.
    const SerialReservation& LastReservation() const { return m_lastReservation; }
    const std::string& RecordProblem() const { return m_strRecordProblem; }

    uint32_t m_nSerialNumber = 1; // the next serial number to give a box
    std::string m_strSection = "Settings";

private:
    IPreferences& m_prefs;
    ISerialStore* m_pStore = nullptr;
    SerialReservation m_lastReservation;
    int m_bReservationOpen = 0;
    std::string m_strRecordProblem;
};

} // namespace hx
