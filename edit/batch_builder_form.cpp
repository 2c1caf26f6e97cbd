#include "edit/batch_builder_form.h"

#include <cmath>

#include "core/format.h"
#include "document/data_readers.h"
#include "trace/ray_sources.h"

namespace brelix {

namespace {

using F = CBatchBuilderForm;

enum class EKind { Text, Number, Integer, Shown };

struct CFieldRule {
    EKind kind = EKind::Number;
    bool ranged = false;
    double low = 0, high = 0;
};

constexpr double kMaxControl = 10000000.0;

CFieldRule Rule(F::EField field) {
    switch (field) {
        case F::Name:
        case F::SpectrumFile:
            return {EKind::Text};
        case F::PointCount:
            return {EKind::Shown};
        case F::MinIntensity:
            return {EKind::Number, true, 0.0, kMaxControl};
        case F::InterfaceDivides:
            return {EKind::Integer, true, 0, kMaxControl};
        case F::SubdividePosition:
        case F::SubdivideTheta:
        case F::SubdivideXi:
        case F::SubdivideScatter:
            return {EKind::Integer, true, 1, kMaxControl};
        case F::WavelengthStep:
        case F::XStep:
        case F::YStep:
        case F::ZStep:
        case F::AzimuthStep:
        case F::DeclinationStep:
            return {EKind::Number, true, 0.0, kMaxControl};
        default:
            return {EKind::Number};
    }
}

// The order a read takes the fields in; the check boxes between them are the dialog's own state.
constexpr F::EField kReadOrder[] = {
    F::AzimuthStart,
    F::AzimuthStep,
    F::AzimuthStop,
    F::SubdividePosition,
    F::SubdivideScatter,
    F::SubdivideTheta,
    F::SubdivideXi,
    F::DeclinationStart,
    F::DeclinationStep,
    F::DeclinationStop,
    F::MinIntensity,
    F::WavelengthStart,
    F::WavelengthStep,
    F::WavelengthStop,
    F::XStart,
    F::XStep,
    F::XStop,
    F::YStart,
    F::YStep,
    F::YStop,
    F::ZStart,
    F::ZStep,
    F::ZStop,
    F::InterfaceDivides,
    F::ConstantIntensity,
    F::SpectrumFile,
    F::Name,
};

CSweep CBatch::*const kSweeps[F::SweepCount] = {&CBatch::wavelengthSweep, &CBatch::xSweep,
                                                &CBatch::ySweep,          &CBatch::zSweep,
                                                &CBatch::azimuthSweep,    &CBatch::declinationSweep};

}  // namespace

CBatchBuilderForm::CBatchBuilderForm(CBatch& batch)
    : batch_(batch),
      name_(batch.name),
      spectrumFile_(batch.spectrumFile),
      constantSpectrum_(batch.constantSpectrum),
      fileSpectrum_(batch.fileSpectrum),
      useSpectrumFile_(batch.useSpectrumFile) {
    numbers_[MinIntensity] = batch.minIntensity;
    numbers_[InterfaceDivides] = batch.interfaceDivides;
    numbers_[SubdividePosition] = batch.subdividePosition;
    numbers_[SubdivideTheta] = batch.subdivideTheta;
    numbers_[SubdivideXi] = batch.subdivideXi;
    numbers_[SubdivideScatter] = batch.subdivideScatter;
    numbers_[ConstantIntensity] = batch.constantIntensity;
    numbers_[PointCount] = batch.spectrum.GetCount();
    for (int s = 0; s < SweepCount; ++s) {
        const auto sweep = static_cast<ESweep>(s);
        const CSweep& values = batch.*kSweeps[s];
        numbers_[StartField(sweep)] = values.start;
        numbers_[StopField(sweep)] = values.stop;
        numbers_[StepField(sweep)] = values.step;

        // The values Start, Start + Step, ... up to Stop, counted as ray generation counts them, so that a
        // list never outgrows its limit however small the step.
        CPlotList& plot = plots_[s];
        const uint64_t count = CountSweepValues(values, kPlotListLimit);
        plot.cut = count > kPlotListLimit;
        double v = values.start;
        for (uint64_t i = 0; i < std::min(count, kPlotListLimit); ++i) {
            plot.entries.push_back(FormatFixed(v, 2, 2));
            const double next = v + values.step;
            if (next == v) break;  // the step cannot move the value on: every further entry is this one
            v = next;
        }
        if (values.step != 0) {
            const double position = std::trunc((values.plotValue - values.start) / values.step);
            if (std::isfinite(position) && position >= 0 &&
                position < static_cast<double>(plot.entries.size()))
                plot.selected = static_cast<int>(position);
        }
    }
    Show();
}

bool CBatchBuilderForm::IsReadOnly(EField field) const {
    switch (field) {
        case PointCount:
            return true;
        case SpectrumFile:
            return constantSpectrum_ != 0;
        case ConstantIntensity:
            return constantSpectrum_ == 0 && fileSpectrum_ != 0;
        case WavelengthStart:
        case WavelengthStop:
        case WavelengthStep:
            return useSpectrumFile_ != 0;
        default:
            return false;
    }
}

std::optional<CFieldRefusal> CBatchBuilderForm::Read() {
    for (EField field : kReadOrder) {
        const CFieldRule rule = Rule(field);
        const std::string& text = texts_[field];
        switch (rule.kind) {
            case EKind::Text:
                (field == Name ? name_ : spectrumFile_) = text;
                break;
            case EKind::Number: {
                const std::optional<double> value = ParseFieldNumber(text);
                if (!value || (rule.ranged && !(*value >= rule.low && *value <= rule.high)))
                    return CFieldRefusal{
                        field, rule.ranged ? NumberRangeMessage(rule.low, rule.high) : NumberMessage()};
                numbers_[field] = *value;
                break;
            }
            case EKind::Integer: {
                const std::optional<uint64_t> value = ParseFieldInteger(text);
                const auto low = static_cast<uint64_t>(rule.low), high = static_cast<uint64_t>(rule.high);
                if (!value || *value < low || *value > high)
                    return CFieldRefusal{field, IntegerRangeMessage(low, high)};
                numbers_[field] = static_cast<double>(*value);
                break;
            }
            case EKind::Shown:
                break;
        }
    }
    return std::nullopt;
}

void CBatchBuilderForm::Show() {
    for (int f = 0; f < FieldCount; ++f) {
        const auto field = static_cast<EField>(f);
        switch (Rule(field).kind) {
            case EKind::Text:
                texts_[f] = field == Name ? name_ : spectrumFile_;
                break;
            case EKind::Number:
                texts_[f] = FieldText(numbers_[f]);
                break;
            case EKind::Integer:
            case EKind::Shown:
                texts_[f] = FormatInt(static_cast<int64_t>(numbers_[f]));
                break;
        }
    }
}

CSweep CBatchBuilderForm::Sweep(ESweep sweep) const {
    return {numbers_[StartField(sweep)], numbers_[StopField(sweep)], numbers_[StepField(sweep)], 0};
}

std::optional<CFieldRefusal> CBatchBuilderForm::ClickConstantEnable() {
    std::optional<CFieldRefusal> refusal = Read();
    constantSpectrum_ = 1;
    fileSpectrum_ = 0;
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CBatchBuilderForm::ClickFileEnable() {
    std::optional<CFieldRefusal> refusal = Read();
    constantSpectrum_ = 0;
    fileSpectrum_ = 1;
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CBatchBuilderForm::ClickUseSpectrumFile(bool checked) {
    std::optional<CFieldRefusal> refusal = Read();
    useSpectrumFile_ = checked && batch_.spectrum.GetCount() > 0 ? 1 : 0;
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CBatchBuilderForm::LoadData(IMessages& messages) {
    std::optional<CFieldRefusal> refusal = Read();
    if (batch_.spectrumFile != spectrumFile_) {
        batch_.spectrumFile = spectrumFile_;
        recordChanged_ = true;
    }
    if (fileSpectrum_) {
        recordChanged_ = true;  // the table is read afresh, or emptied when the file cannot be read
        if (!LoadSpectrumFile(batch_, messages)) {
            // The other fields stay as typed; the count is the table's, now empty.
            numbers_[PointCount] = batch_.spectrum.GetCount();
            texts_[PointCount] = FormatInt(batch_.spectrum.GetCount());
            return refusal;
        }
    }
    numbers_[PointCount] = batch_.spectrum.GetCount();
    Show();
    return refusal;
}

std::optional<CFieldRefusal> CBatchBuilderForm::Accept() {
    if (std::optional<CFieldRefusal> refusal = Read()) return refusal;
    CBatch& b = batch_;
    b.name = name_;
    b.minIntensity = numbers_[MinIntensity];
    b.interfaceDivides = static_cast<uint32_t>(numbers_[InterfaceDivides]);
    b.subdividePosition = static_cast<uint32_t>(numbers_[SubdividePosition]);
    b.subdivideTheta = static_cast<uint32_t>(numbers_[SubdivideTheta]);
    b.subdivideXi = static_cast<uint32_t>(numbers_[SubdivideXi]);
    b.subdivideScatter = static_cast<uint32_t>(numbers_[SubdivideScatter]);
    b.constantSpectrum = constantSpectrum_;
    b.fileSpectrum = fileSpectrum_;
    b.constantIntensity = numbers_[ConstantIntensity];
    b.spectrumFile = spectrumFile_;
    b.useSpectrumFile = useSpectrumFile_;
    for (int s = 0; s < SweepCount; ++s) {
        CSweep sweep = Sweep(static_cast<ESweep>(s));
        sweep.plotValue = plots_[s].selected * sweep.step + sweep.start;
        b.*kSweeps[s] = sweep;
    }
    return std::nullopt;
}

}  // namespace brelix
