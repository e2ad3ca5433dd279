"""Drawing: Bitmap, a raster of RGB pixels, and its Canvas with pen, brush and font as
properties; the data-point marks; PdfDocument, pages drawn through a canvas and written as a
PDF; and the processor's identification (cpu_info). Colours are taken as korvex.colors takes
them (an int with red in the low byte, an (r, g, b) tuple or a name)."""
import dataclasses
from typing import Optional, Tuple

from ._korvex import (CPU_FEATURES, Bitmap, Brush, Canvas, Font, PdfDocument, Pen, _cpu_info,
                      cpu_speed, create_mark_bitmap, draw_mark)

__all__ = ["Bitmap", "Brush", "Canvas", "Font", "PdfDocument", "Pen", "create_mark_bitmap",
           "draw_mark", "CpuInfo", "cpu_info", "cpu_speed", "CPU_FEATURES"]


@dataclasses.dataclass(frozen=True)
class CpuInfo:
    """The processor's identification, read once. Fields the processor cannot tell (every
    processor without CPUID, such as ARM) are None; count and fdiv_bug are always known."""
    supported: bool
    vendor: Optional[str]
    name: Optional[str]
    signature: Optional[int]
    stepping: Optional[int]
    model: Optional[int]
    family: Optional[int]
    type: Optional[int]
    ex_model: Optional[int]
    ex_family: Optional[int]
    overdrive: Optional[bool]
    brand_id: Optional[int]
    feature_set: Optional[int]
    extended_feature_set: Optional[int]
    features: Optional[Tuple[str, ...]]
    serial_number: Optional[str]
    count: int
    fdiv_bug: bool

    def has(self, feature: str) -> bool:
        """Whether the processor reports the feature (a key of CPU_FEATURES)."""
        if feature not in CPU_FEATURES:
            raise ValueError("unknown CPU feature %r" % (feature,))
        return bool(self.features) and feature in self.features


def cpu_info() -> CpuInfo:
    """The processor's vendor, market name, signature fields, feature words and names, serial
    number text, processor count and division-flaw test."""
    return CpuInfo(**_cpu_info())
