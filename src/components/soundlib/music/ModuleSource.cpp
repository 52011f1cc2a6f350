#include "soundlib/music/ModuleSource.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace pelvanto::sound {

namespace {

MusicType typeFromExtension(const std::string &type) {
    if (type == "mod")
        return MusicType::Mod;
    if (type == "s3m")
        return MusicType::S3m;
    if (type == "xm")
        return MusicType::Xm;
    if (type == "it")
        return MusicType::It;
    return MusicType::Other;
}

// libopenmpt reports load warnings on a stream; a damaged file is our caller's business.
std::ostream &discardedLog() {
    static std::ostream sink(nullptr);
    return sink;
}

} // namespace

std::unique_ptr<ModuleSource> ModuleSource::open(const QByteArray &data, int sampleRate,
                                                 MusicOpenError *error) {
    auto fail = [error](MusicOpenError reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.constData());
    const auto size = static_cast<std::size_t>(data.size());
    if (openmpt::probe_file_header(openmpt::probe_file_header_flags_default2, bytes, size, size) !=
        openmpt::probe_file_header_result_success)
        return fail(MusicOpenError::UnknownFormat);
    std::unique_ptr<openmpt::module> module;
    try {
        module = std::make_unique<openmpt::module>(bytes, size, discardedLog());
        // The song ends where it ends: no fade-out beyond its last row.
        module->ctl_set_text("play.at_end", "stop");
        // libopenmpt plays what it can of a damaged file; one cut before any sample data or
        // without a row to play holds nothing to hear.
        if (module->get_num_samples() == 0 || !(module->get_duration_seconds() > 0.0))
            return fail(MusicOpenError::LoadFailed);
    } catch (const std::exception &) {
        return fail(MusicOpenError::LoadFailed);
    }
    if (error)
        *error = MusicOpenError::None;
    return std::unique_ptr<ModuleSource>(new ModuleSource(std::move(module), sampleRate));
}

ModuleSource::ModuleSource(std::unique_ptr<openmpt::module> module, int sampleRate)
    : module_(std::move(module)), sampleRate_(sampleRate) {
    type_ = typeFromExtension(module_->get_metadata("type"));
    name_ = QString::fromStdString(module_->get_metadata("title")).trimmed();
    const double seconds = module_->get_duration_seconds();
    if (std::isfinite(seconds) && seconds >= 0)
        lengthMs_ = std::llround(seconds * 1000.0);
    module_->set_repeat_count(0);
}

ModuleSource::~ModuleSource() = default;

qint64 ModuleSource::read(float *interleaved, qint64 frames) {
    std::lock_guard lock(mutex_);
    if (frames <= 0 || finished_)
        return 0;
    std::size_t rendered = 0;
    try {
        rendered = module_->read_interleaved_stereo(sampleRate_, static_cast<std::size_t>(frames),
                                                    interleaved);
    } catch (const std::exception &) {
        return -1;
    }
    if (rendered == 0) {
        finished_ = true;
        return 0;
    }
    if (masterVolume_ != kFullVolume) {
        const float gain = static_cast<float>(masterVolume_) / kFullVolume;
        std::for_each(interleaved, interleaved + rendered * 2, [gain](float &s) { s *= gain; });
    }
    return static_cast<qint64>(rendered);
}

qint64 ModuleSource::lengthMs() const {
    return lengthMs_;
}

qint64 ModuleSource::positionMs() const {
    std::lock_guard lock(mutex_);
    const qint64 ms = std::llround(module_->get_position_seconds() * 1000.0);
    // libopenmpt counts on across loops; the song's own time starts again (songs loop to
    // their start far more often than to a later restart order).
    if (lengthMs_ > 0 && ms > lengthMs_)
        return finished_ ? lengthMs_ : ms % lengthMs_;
    return ms;
}

bool ModuleSource::seekMs(qint64 ms) {
    std::lock_guard lock(mutex_);
    if (ms < 0 || (lengthMs_ >= 0 && ms > lengthMs_))
        return false;
    module_->set_position_seconds(static_cast<double>(ms) / 1000.0);
    finished_ = false;
    return true;
}

int ModuleSource::numChannels() const {
    std::lock_guard lock(mutex_);
    return module_->get_num_channels();
}

int ModuleSource::numInstruments() const {
    std::lock_guard lock(mutex_);
    return module_->get_num_instruments();
}

int ModuleSource::numOrders() const {
    std::lock_guard lock(mutex_);
    return module_->get_num_orders();
}

int ModuleSource::numPatterns() const {
    std::lock_guard lock(mutex_);
    return module_->get_num_patterns();
}

int ModuleSource::numSamples() const {
    std::lock_guard lock(mutex_);
    return module_->get_num_samples();
}

int ModuleSource::orderRows(int order) const {
    std::lock_guard lock(mutex_);
    if (order < 0 || order >= module_->get_num_orders())
        return -1;
    const int pattern = module_->get_order_pattern(order);
    if (pattern < 0 || pattern >= module_->get_num_patterns())
        return 0;
    return module_->get_pattern_num_rows(pattern);
}

int ModuleSource::patternRows(int pattern) const {
    std::lock_guard lock(mutex_);
    if (pattern < 0 || pattern >= module_->get_num_patterns())
        return -1;
    return module_->get_pattern_num_rows(pattern);
}

int ModuleSource::bpm() const {
    std::lock_guard lock(mutex_);
    return module_->get_current_tempo();
}

int ModuleSource::speed() const {
    std::lock_guard lock(mutex_);
    return module_->get_current_speed();
}

int ModuleSource::currentOrder() const {
    std::lock_guard lock(mutex_);
    return module_->get_current_order();
}

int ModuleSource::currentRow() const {
    std::lock_guard lock(mutex_);
    return module_->get_current_row();
}

int ModuleSource::currentPattern() const {
    std::lock_guard lock(mutex_);
    return module_->get_current_pattern();
}

bool ModuleSource::setOrder(int order) {
    std::lock_guard lock(mutex_);
    if (order < 0 || order >= module_->get_num_orders())
        return false;
    module_->set_position_order_row(order, 0);
    finished_ = false;
    return true;
}

bool ModuleSource::looping() const {
    std::lock_guard lock(mutex_);
    return looping_;
}

void ModuleSource::setLooping(bool loop) {
    std::lock_guard lock(mutex_);
    looping_ = loop;
    module_->set_repeat_count(loop ? -1 : 0);
}

int ModuleSource::masterVolume() const {
    std::lock_guard lock(mutex_);
    return masterVolume_;
}

void ModuleSource::setMasterVolume(int volume) {
    std::lock_guard lock(mutex_);
    masterVolume_ = std::clamp(volume, 0, kFullVolume);
}

double ModuleSource::panSeparation() const {
    std::lock_guard lock(mutex_);
    return panSeparation_;
}

void ModuleSource::setPanSeparation(double separation) {
    std::lock_guard lock(mutex_);
    panSeparation_ = std::isnan(separation) ? 1.0 : std::clamp(separation, 0.0, 1.0);
    module_->set_render_param(openmpt::module::RENDER_STEREOSEPARATION_PERCENT,
                              static_cast<std::int32_t>(std::lround(panSeparation_ * 100.0)));
}

bool ModuleSource::isFinished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void ModuleSource::rewind() {
    std::lock_guard lock(mutex_);
    module_->set_position_seconds(0.0);
    finished_ = false;
}

} // namespace pelvanto::sound
