#pragma once
#include "charts/graph_rules.h"
#include "charts/graph_sheet.h"

#include <array>

class QButtonGroup;
class QCheckBox;
class QRadioButton;

// The one-graph sheet ("Графики"): one chart of the chosen quantity with its phase boxes, zoom
// and page buttons, a value scroll bar beside it and a time scroll bar under it.
class OneGraphPage : public GraphSheet {
    Q_OBJECT
public:
    OneGraphPage(WindowState& state, ChartSource& source, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void redraw() override;
    void print(QPrinter& printer) override;
    bool allGraphs() const override { return false; }

    void chooseQuantity(vorsan::Quantity q);
    vorsan::Quantity quantity() const { return quantity_; }

    JournalChart* chart() const { return chart_; }
    QCheckBox* phaseBox(int i) const { return boxes_.at(static_cast<std::size_t>(i)); }
    QRadioButton* quantityButton(vorsan::Quantity q) const;
    QPushButton* pageLeftButton() const { return pageLeft_; }
    QPushButton* pageRightButton() const { return pageRight_; }
    QScrollBar* timeScroll() const { return timeScroll_; }
    QScrollBar* valueScroll() const { return valueScroll_; }

    // The stop lines the printout would carry for the time window in view.
    QStringList stopLines() const;

private:
    void boxToggled(int box, bool checked);
    void zoomStep(double factor);
    void afterMouseZoom(bool undone);
    void updateZoomButtons();
    void updateTimeScroll();
    void timeScrolled(int position);
    void movePage(bool left);
    void saveWindow();
    vorsan::PhaseBoxes checkedBoxes() const;
    double valueMaximumOfCurves() const;

    JournalChart* chart_ = nullptr;
    QScrollBar* timeScroll_ = nullptr;
    QScrollBar* valueScroll_ = nullptr;
    QButtonGroup* quantities_ = nullptr;
    std::array<QCheckBox*, 3> boxes_{};
    QPushButton* pageLeft_ = nullptr;
    QPushButton* pageRight_ = nullptr;
    vorsan::Quantity quantity_ = vorsan::Quantity::voltage;
    bool settingScroll_ = false;
};
