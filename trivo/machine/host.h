// The narrow door between the emulation core and the program around it.
//
// The core never talks to a window system, a sound device or a clock
// directly; it asks its Host. The Qt program, the headless runner and the
// tests each provide one. Every call has a harmless default so a Host only
// implements what it can do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trivo {

enum class MessageIcon { information, warning, error, question };

// Answer of a message box: which button the user pressed.
enum class MessageAnswer { ok, cancel, yes, no };

enum class MessageButtons { ok, ok_cancel, yes_no };

struct FileFilter {
    std::string description;  // "Cassette files (*.cpf)"
    std::string pattern;      // "*.cpf"
    bool operator==(const FileFilter&) const = default;
};

// What a file request is for, so that a front end (or a test) answers it
// without reading the dialog's caption.
enum class FilePurpose {
    cassette_read,    // the BASIC byte path asks for a tape to read
    cassette_play,    // "Play Cassette File": a tape for the cassette input
    cassette_record,  // the first byte of a recording asks where it goes
    quicktype_text,   // "Quick Type...": a text file to type
    script,           // the Script window's "Browse": a script file
    listing,          // "Load LST file": an assembler listing for the debugger
    rom_image,        // a ROM or character ROM file of the Memory or Cartridge dialog
    s19_program,      // the Cartridge dialog's S19 file
    printer_output,   // the Serial and Printer dialog's output file
    binary_load,      // "Load Binary File": the file to copy into memory
    csavem_output,    // CSAVEM: the cassette image to write
};

struct FileRequest {
    FilePurpose purpose;
    std::string title;
    std::vector<FileFilter> filters;
    std::string default_extension;  // without the dot
    std::string start_path;         // proposed folder or file name
    bool overwrite_prompt = false;  // save dialogs: ask before replacing
    bool operator==(const FileRequest&) const = default;
};

class Host {
public:
    virtual ~Host() = default;

    virtual MessageAnswer message_box(const std::string& caption, const std::string& text,
                                      MessageIcon icon,
                                      MessageButtons buttons = MessageButtons::ok) {
        (void)caption; (void)text; (void)icon; (void)buttons;
        return MessageAnswer::ok;
    }
    // No value when the user cancels.
    virtual std::optional<std::string> choose_open_file(const FileRequest& request) {
        (void)request;
        return std::nullopt;
    }
    virtual std::optional<std::string> choose_save_file(const FileRequest& request) {
        (void)request;
        return std::nullopt;
    }
    // Developer diagnostics (stderr in the programs).
    virtual void debug_output(const std::string& text) { (void)text; }
    // Posts a menu command to the main window (resets requested by scripts and dialogs).
    virtual void post_command(int command) { (void)command; }
    virtual std::string clipboard_text() { return {}; }
    // Check mark and greying of a menu item.
    virtual void menu_state(int command, bool checked, bool enabled) {
        (void)command; (void)checked; (void)enabled;
    }
    // Milliseconds since some fixed point; wraps like a 32-bit tick count.
    virtual uint32_t milliseconds() { return 0; }
    // High-resolution counter; no value when the host has none.
    virtual std::optional<int64_t> counter() { return std::nullopt; }
    virtual int64_t counter_frequency() { return 0; }
    // Runs a program with one argument and waits; returns its exit status, or -1.
    virtual int run_program(const std::string& program, const std::string& argument) {
        (void)program; (void)argument;
        return -1;
    }
};

}  // namespace trivo
