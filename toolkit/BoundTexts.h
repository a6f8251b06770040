#pragma once

#include <QString>
#include <map>
#include <string>
#include <vector>

class EditField;
class QLabel;

// Owned texts bound to controls by control id. A text is a byte string, as in the files; it
// becomes a QString only at its control. A control that still shows what was last pushed gives
// back the very bytes pushed, so bytes that are not valid UTF-8 survive a push and a pull.
class BoundTexts {
public:
    void bind(int id, EditField* field);
    void bind(int id, QLabel* label);

    // Precondition: id is bound.
    std::string& text(int id);
    const std::string& text(int id) const;
    std::vector<int> ids() const;

    // Writes every text into its control, leaving alone a control that already shows it, with
    // the edit fields' change reactions suppressed. A rewritten field shows its text's start.
    void push();
    void push(int id);
    // Reads every control into its text.
    void pull();

private:
    struct Binding {
        EditField* field = nullptr;
        QLabel* label = nullptr;
        std::string text;
        std::string pushedBytes;
        QString pushedShown;
        bool pushed = false;
    };

    void bindControl(int id, Binding binding);
    void pushBinding(Binding& binding);
    void pullBinding(Binding& binding);

    std::vector<Binding> bindings_;
    std::map<int, std::size_t> indexById_;
    std::vector<int> idsInOrder_;
};
