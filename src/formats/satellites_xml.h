#pragma once
// Import of public transponder lists in the satellites.xml form: a <satellites> root holding one
// <sat name position> element per satellite, each with <transponder frequency symbol_rate
// polarization fec_inner .../> children. Builds the satellites, one default antenna each and the
// transponders; no services. The database is replaced only when the whole file is good (the cut
// buffers are kept); a refused file leaves it exactly as it was and says where and why.
//
// Choices the lists themselves leave open:
// - The file is read as 8-bit bytes whatever encoding it declares, so a name keeps the bytes it
//   has in the file (after XML's entity and white-space rules) and is cut to 63 bytes.
// - Numbers are whole decimal numbers that fit 32 bits as written; white space around them is
//   allowed. Anything else is refused rather than clamped or guessed.
// - name and position are required on <sat>; frequency, symbol_rate and polarization on
//   <transponder>. A missing fec_inner means automatic. Other attributes, other elements and
//   elements not directly below <satellites> or <sat> are ignored.
// - A <sat> without transponders still makes a satellite. An empty <satellites/> gives an empty
//   database. A transponder whose frequency and polarity (after conversion) repeat on the same
//   satellite is skipped, keeping the first: the receiver could not tell the two apart.

#include "base/status.h"
#include "model/channel_database.h"

#include <string>
#include <string_view>

namespace corvane {

enum class SatellitesXmlRefusal {
    Ok,
    CannotRead,          // no such file, a folder, a read error, or too large for memory
    NotXml,              // not well-formed, or a second root element
    NoSatellitesRoot,    // the root element is not <satellites>
    MissingAttribute,    // a required attribute is absent
    NotANumber,          // a numeric attribute is not a whole decimal number
    OutOfRange,          // a number does not fit 32 bits
    TooManySatellites,   // more than the binary database holds (255)
    TooManyTransponders, // more than the binary database holds (65,535)
    BadPosition,         // a position that gives no longitude from 0 to 3600
    BadPolarization,     // a polarization other than 0 to 3
};

// `file` is the path read or the name the caller gave the bytes; `line` the line of the offending
// element (0 when no line applies); `detail` "FILE:LINE: CAUSE" without the parts that are empty.
using SatellitesXmlResult = Status<SatellitesXmlRefusal>;

// Reads the file at `path`; the result's `file` is `path`.
SatellitesXmlResult importSatellitesXml(ChannelDatabase& db, const std::string& path);
// Parses the whole file's bytes; `file` only names them in the result. Safe on any bytes.
SatellitesXmlResult importSatellitesXmlBytes(ChannelDatabase& db, std::string_view bytes,
                                             std::string_view file = {});

} // namespace corvane
