#pragma once

#include "filterexpression.h"

namespace tavimo {

// Tells how far a run has got from the value of the key it reads in: the
// view's lowest and highest values are given first, then each record's.
class StepManager
{
public:
    virtual ~StepManager() = default;
    virtual void setLimits(const FilterValue &low, const FilterValue &high) = 0;
    // 0 to 100.
    virtual int percentile(const FilterValue &value) const = 0;
};

// Numbers and dates, in proportion between the limits.
class NumberStepManager : public StepManager
{
public:
    void setLimits(const FilterValue &low, const FilterValue &high) override;
    int percentile(const FilterValue &value) const override;

private:
    double m_low = 0;
    double m_high = 0;
};

// Texts, by their first characters after the part both limits share, read
// as the digits of one number.
class TextStepManager : public StepManager
{
public:
    void setLimits(const FilterValue &low, const FilterValue &high) override;
    int percentile(const FilterValue &value) const override;

private:
    double weigh(const QString &text) const;

    QString m_common;
    double m_low = 0;
    double m_high = 0;
};

} // namespace tavimo
