#!/usr/bin/env bash
# The sound system's mixer against ALSA's "pulse" control on a private PulseAudio
# server: runs the mixer tests that need one. Skips (77) without pulseaudio or pactl.
# Usage: alsa_mixer_pulse.sh <scripts folder> <test_mixer program>
set -euo pipefail
scripts=$(cd "${1:?usage: alsa_mixer_pulse.sh <scripts folder> <test program>}" && pwd)
program=${2:?usage: alsa_mixer_pulse.sh <scripts folder> <test program>}
for tool in pulseaudio pactl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
services=$(mktemp -d)
"$scripts/start-pulse" "$services/pulse" >"$services/pulse.out" 2>&1 &
pulse=$!
trap 'kill $pulse 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$services"' EXIT
export PULSE_SERVER=unix:$services/pulse/native
"$scripts/wait-for" 10 "$PULSE_SERVER" || { cat "$services/pulse.out"; echo "FAIL: the private sound server did not start"; exit 1; }
"$program" --gtest_filter='AlsaMixerPulseTest.*'
