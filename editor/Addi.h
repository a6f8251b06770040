#pragma once

#include "TemplateDialog.h"

#include <string>

class BoxDocument;
class DropDownList;
class QShowEvent;

// The add-intersection dialog: the user picks two boxes by rank, and "Créer" closes it with the
// pair chosen unless it names one box twice or the document already holds it in either order. A
// refused pair leaves the dialog open and nothing is reported. Build it, give it the document,
// then runModal(): Accepted with chosenPair() for the caller to add, Rejected otherwise.
class AddiDialog : public TemplateDialog {
    Q_OBJECT

public:
    static constexpr int templateId = 131;
    static constexpr int box1ListId = 1036;
    static constexpr int box2ListId = 1035;

    explicit AddiDialog(QWidget* parent = nullptr);

    // The dialog does not own the document; without one it offers no rank and adds nothing.
    void setDocument(BoxDocument* document) { document_ = document; }

    // "Créer", Enter included: closes with Accepted only for a pair the document may take.
    void accept() override;
    // The pair as the document lists it, "0 3", once accepted.
    const std::string& chosenPair() const { return chosenPair_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void offerRanks();

    BoxDocument* document_ = nullptr;
    std::string chosenPair_;
    DropDownList* box1List_;
    DropDownList* box2List_;
};
