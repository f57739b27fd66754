#pragma once

#include "procedurewindow.h"

#include <array>

class QTableWidget;

namespace tavimo {

// "Body Mass Index For Your Height": the profile's height, weight and BMI,
// and the weights that give a BMI of 20 to 25 at that height, worked out
// once when the window opens from the profile record being edited.
class IdealBmi : public ProcedureWindow
{
    Q_OBJECT
public:
    explicit IdealBmi(ThreadContext &context, QWidget *owner = nullptr);

    int inches() const { return m_inches; }
    double square() const { return m_square; }
    const std::array<int, 6> &weights() const { return m_weights; } // for BMI 20 .. 25
    QTableWidget *table() const { return m_table; }

    // The weights for BMI 20 to 25 at a height as stored (5'10").
    static std::array<int, 6> weightsFor(const QString &height, int *inches = nullptr, double *square = nullptr);

protected:
    void createContents(QDialog *window) override;
    QString caption() const override { return QStringLiteral("Body Mass Index For Your Height"); }

private:
    int m_inches = 0;
    double m_square = 0;
    std::array<int, 6> m_weights{};
    QTableWidget *m_table = nullptr;
};

} // namespace tavimo
