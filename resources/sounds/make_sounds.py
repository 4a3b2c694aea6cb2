#!/usr/bin/env python3
"""Writes the short WAVE cues the wizard plays, named by their resource numbers.

Run it from this folder to regenerate the files; the output is deterministic.
Each cue is 16-bit mono PCM at 22,050 Hz with a short fade at both ends so
that it does not click.
"""
import math
import struct
import wave

RATE = 22050


def tone(segments, volume=0.45):
    """segments: list of (start Hz, end Hz, seconds); 0 Hz is silence."""
    samples = []
    phase = 0.0
    for start, end, seconds in segments:
        count = int(RATE * seconds)
        fade = min(count // 6, int(RATE * 0.008))
        for i in range(count):
            if start == 0:
                samples.append(0)
                continue
            freq = start + (end - start) * i / count
            phase += 2 * math.pi * freq / RATE
            env = 1.0
            if i < fade:
                env = i / fade
            elif i >= count - fade:
                env = (count - i) / fade
            samples.append(int(32767 * volume * env * math.sin(phase)))
    return samples


def write(name, samples):
    with wave.open(name, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples))


CUES = {
    # scan error: two low buzzes
    232: [(220, 220, 0.16), (0, 0, 0.06), (185, 185, 0.22)],
    # items copied to the clipboard: a rising chirp
    346: [(660, 1320, 0.12)],
    # values pasted into selected items: a falling chirp
    347: [(1320, 660, 0.12)],
    # task list dropped down or property panel opened: a short tick
    205: [(1800, 1500, 0.03)],
    # no eligible containers: a two-note alert
    108: [(880, 880, 0.12), (0, 0, 0.04), (660, 660, 0.18)],
}

if __name__ == "__main__":
    for number, segments in CUES.items():
        write(f"{number}.wav", tone(segments))
