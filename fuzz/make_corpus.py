#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/: small valid files of every variant the readers know.
The bytes are laid out here by hand (with Python's own CRC-32), independently of the C++ writers."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


# --- text factory data -------------------------------------------------------------------------
TEXT_B = (
    "# banner\r\nDMTP\r\n\r\n"
    "a          1       universal  9750       10600     f           a          n          n          n\r\n"
    "a         2\r\n\r\n"
    '  s       "ASTRA"         9750      10600     universal 19.2      east      n         0\r\n'
    "      t   12603           22000     hor       0         14        0         5/6\r\n"
    "      t   11778           27500     ver       22        18        12        8/9\r\n"
    '  s       "HOTBIRD"       9750      10600     normal    13.0      west      y         -90\r\n'
    "      t   10719           27500     hor       0         14        0         auto\r\n"
    'v         "Das Erste"     1         1         2         28106     101       102       101       104       0         1         0\r\n'
    'r         "Radio \xe9"      1         2         1         28400     0         201       0         0         1         255       1\r\n'
)
TEXT_A = (
    '  s       "SAT A"         9750      10600     universal 28.2      east      a         22        12        18\r\n'
    "      t   11000           27500     ver       0         14        0         3/4\r\n"
    "      t   11100           22000     hor       22        18        12        1/2\r\n"
    'v         "Prog"          1         2         7         100       101       100       0         1         0         1\r\n'
)
for target in ("text_reader", "text_reader_layout_a"):
    put(target, "layout_b.txt", TEXT_B)
    put(target, "layout_a.txt", TEXT_A)
    put(target, "lf_only.txt", TEXT_B.replace("\r\n", "\n"))
    put(target, "long_line.txt", "#" + "x" * 1022 + "t 12000 27500 hor 0 14 0 3/4\n")


# --- .cdd ----------------------------------------------------------------------------------------
def cdd(counts, antennas, satellites):
    body = bytes([0, 0, 0, 1]) + struct.pack(">BBHHB", *counts, 0)
    ant = b"".join(antennas)
    sats = b"".join(satellites)
    body += struct.pack(">I", len(ant)) + ant + struct.pack(">I", len(sats)) + sats
    head = bytes([0x26, 0x52, 0x06, 0x24, 0x01]) + struct.pack(">I", len(body))
    data = head + body
    return data + struct.pack(">I", zlib.crc32(data) & 0xFFFFFFFF)


def antenna(aid, low=9750, high=10600, centre=11700):
    return struct.pack(">BIII", aid, low, high, centre) + bytes([0x04, 0x44, 0x12, 0x40, 0xCE, aid + 1])


def service(number, name, vpid, apid, pcr, sid, ca=0, fav=0, lock=0):
    n = name.encode("latin-1")[:18].ljust(18, b"\0")
    return (struct.pack(">H", number) + b"\x80" + n + b"\0" + struct.pack(">HH", vpid, apid)
            + bytes([(ca << 5) | (pcr >> 8), pcr & 0xFF]) + struct.pack(">H", sid)
            + bytes([fav, lock << 7, 0, 0]))


def transponder(tid, freq, sr, pol, fec, aid, services):
    svc = b"".join(services)
    return (struct.pack(">HI", tid, freq) + sr.to_bytes(3, "big") + bytes([(pol << 6) | (fec << 2), aid, 0])
            + struct.pack(">H", len(svc)) + svc)


def satellite(sid, name, longitude, transponders):
    tps = b"".join(transponders)
    n = name.encode("latin-1")[:14].ljust(14, b"\0")
    return bytes([sid]) + n + b"\0\x80" + struct.pack(">HI", longitude, len(tps)) + tps


put("cdd_reader", "empty.cdd", cdd((0, 0, 0, 0), [], []))
put("cdd_reader", "small.cdd", cdd((2, 2, 3, 3), [antenna(0), antenna(1, 5150, 5750)], [
    satellite(0, "ASTRA 19.2E", 192, [
        transponder(0, 11778, 27500, 1, 3, 0, [service(0, "Das Erste", 101, 102, 101, 28106, fav=5),
                                               service(1, "Radio \xe9", 0, 201, 0, 28400, ca=1, lock=1)]),
        transponder(1, 12603, 22000, 0, 4, 0, [])]),
    satellite(1, "A long satellite name", 3300, [
        transponder(2, 10719, 27500, 0, 0, 1, [service(2, "A very long service name", 8191, 8191, 8191, 65535)])]),
]))


# --- factory data (.bin) -------------------------------------------------------------------------
def factory(selector, sats, tps, progs, ants=(), antcfg=-1):
    size = 0x4400 + 32 * max(1, len(progs)) if selector else 0x2A20 + 28 * max(1, len(progs))
    buf = bytearray(size)
    buf[0:8] = b"morvalen"
    buf[10] = selector
    buf[11] = len(ants)
    struct.pack_into("<iiii", buf, 12, len(sats), len(tps), len(progs), antcfg)
    for i, s in enumerate(sats):
        struct.pack_into("<%ds" % len(s), buf, 0x20 + i * (20 if selector else 24), s)
    for i, t in enumerate(tps):
        struct.pack_into("<%ds" % len(t), buf, 0xA20 + i * (12 if selector else 8), t)
    for i, p in enumerate(progs):
        struct.pack_into("<%ds" % len(p), buf, (0x4400 + i * 32) if selector else (0x2A20 + i * 28), p)
    for i, a in enumerate(ants):
        struct.pack_into("<%ds" % len(a), buf, 0x4000 + i * 12, a)
    return bytes(buf)


def prog(sid, v, a, pcr, tp, radio, txt, flags, name, sat=None, ant=None):
    p = struct.pack("<HHHHHHH", sid, v, a, pcr, tp | (radio << 15), txt, flags) + name.ljust(14, b"\0")[:14]
    if sat is not None:
        p += bytes([sat, ant, 0, 0])
    return p


sat_a = [struct.pack("<HHHHI", 9750, 10600, 192, 0, 0x3FF) + b"ASTRA".ljust(12, b"\0"),
         struct.pack("<HHHHI", 9750, 10600, 0x8000 | 300, 0, 0x001) + b"TWELVECHARSX"]
tp_a = [struct.pack("<HHHB", 11778, 27500, 0x31, 0) + b"\0", struct.pack("<HHHB", 12603, 22000, 0x4F, 1) + b"\0",
        struct.pack("<HHHB", 10719, 27500, 0x60, 1) + b"\0"]
pr_a = [prog(28106, 101, 102, 101, 0, 0, 104, 0x5, b"Das Erste"), prog(28400, 0, 201, 0, 2, 1, 0, 0x2, b"Radio")]
put("factory_data", "layout_a.bin", factory(0, sat_a, tp_a, pr_a, antcfg=3))
sat_b = [struct.pack("<HHHHH", 9750, 10600, 192, 0, (90 << 8) | 0x5) + b"ASTRA".ljust(10, b"\0"),
         struct.pack("<HHHHH", 5150, 5750, 0x8000 | 50, 0, 0x0000) + b"TENCHARSXX"]
tp_b = [struct.pack("<HHHB", 11778, 27500, 0x71, 0) + b"\0" * 5, struct.pack("<HHHB", 3900, 2000, 0x20, 1) + b"\0" * 5]
pr_b = [prog(1, 2, 3, 4, 1, 0, 5, 0x7, b"Prog", sat=1, ant=1), prog(6, 0, 7, 0, 0, 1, 0, 0, b"Radio", sat=0, ant=0)]
ants = [struct.pack("<HHHH", 9750, 10600, 0x0FFF, 0) + bytes([0x0C, 0, 0, 0]),
        struct.pack("<HHHH", 5150, 5750, 0x0002, 0) + bytes([0x04, 0, 0, 0])]
put("factory_data", "layout_b.bin", factory(2, sat_b, tp_b, pr_b, ants))
put("factory_data", "empty_a.bin", factory(0, [], [], []))


# --- SatcoDX -------------------------------------------------------------------------------------
def sdx(name, freq, pol, orbit, sr, fec, kind="SATCODX103"):
    rec = (kind + name.ljust(18)[:18] + "T" + "0" * 4 + "%09d" % (freq * 1000) + "%1s" % pol
           + " " * 8 + "%04d" % orbit + " " * 14 + "%05d" % sr + fec)
    return rec.ljust(127)


recs = [sdx("Astra 1", 11778, "1", 192, 27500, "3"), sdx("Astra 1", 11778, "0", 192, 27500, "3"),
        sdx("Hotbird", 11778, "1", 130, 27500, "5"), sdx("Astra 1", 12603, "2", 192, 0, "3"),
        sdx("Thor", 10719, "3", 3592, 22000, "7", kind="satcodx103")]
put("satcodx", "lf.sdx", "".join(r + "\n" for r in recs))
put("satcodx", "crlf.sdx", "".join(r + "\r\n" for r in recs))
put("satcodx", "blocks.sdx", "".join(r + " " for r in recs))
put("satcodx", "v105.sdx", "".join(r.ljust(132) + "\n" for r in recs) + "\0" + " " * 127)


# --- data blocks ---------------------------------------------------------------------------------
def crc_mpeg2(data):
    crc = 0xFFFFFFFF
    for byte in data:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else (crc << 1)
            crc &= 0xFFFFFFFF
    return crc


def block(payload, tag_d=b"FA190000", inverted=False, dtype=0, magic=b"DLDFDA"):
    h = magic.ljust(10, b"\0") + b"BLANK_".ljust(7, b"\0") + b"BLANK_".ljust(16, b"\0")
    h += b"00000000102".rjust(11, b"\0") + b"\0"
    h += (bytes(~c & 0xFF for c in tag_d).rjust(11, b"\xff") + b"\xff") if inverted else tag_d.ljust(12, b"\0")
    h += b"001".rjust(3, b"\0") + b"\0" + bytes([dtype]) + struct.pack(">II", len(payload), crc_mpeg2(payload))
    h += b"SN".rjust(8, b"\0")
    return h + struct.pack(">I", crc_mpeg2(h)) + payload


put("data_block", "empty.blk", block(b""))
put("data_block", "abc.blk", block(b"abc", dtype=5))
put("data_block", "inverted.blk", block(b"\x00\xff" * 40, inverted=True, dtype=15))
put("data_block", "kyinfo.blk", block(b"xyz", magic=b"KYINFO"))

# --- JSON ----------------------------------------------------------------------------------------
put("json_import", "empty.json", '{"satelliteCount":0,"transponderCount":0,"serviceCount":0,"antennaCount":0,'
    '"antennas":[],"satellites":[],"transponders":[],"services":[]}')
put("json_import", "small.json",
    '{"satelliteCount":1,"transponderCount":1,"serviceCount":1,"antennaCount":1,'
    '"antennas":[{"id":0,"lowFreq":9750,"highFreq":10600,"centerFreq":11700,"lnbType":0,"lnbPower":1,'
    '"lnbVoltage":0,"toneburst":0,"committed10":1,"uncommitted":0,"committed11":0,"repeatedTimes":0,'
    '"switch22k":1,"switch12v":1,"tunerMask":3,"diseqcType":1,"antennaKey":1}],'
    '"satellites":[{"id":0,"name":"Astra \\u00e9","longitude":192}],'
    '"transponders":[{"id":0,"satelliteId":0,"frequency":11778,"symbolRate":27500,"polarity":1,"fec":3,'
    '"antennaId":0}],'
    '"services":[{"transponderId":0,"number":0,"name":"Das Erste","videoPid":101,"audioPid":102,'
    '"pcrPid":101,"serviceId":28106,"caMode":0,"favorites":5,"lock":0}]}')

# --- satellites.xml ------------------------------------------------------------------------------
def xml_tp(freq, sr, pol, fec, extra=""):
    return ('\t\t<transponder frequency="%d" symbol_rate="%d" polarization="%d" fec_inner="%d"%s/>\n'
            % (freq, sr, pol, fec, extra))


XML_SMALL = ('<?xml version="1.0" encoding="UTF-8"?>\n<!-- transponder list -->\n<satellites>\n'
             '\t<sat name="Astra 1KR/1L/1M/1N (19.2E)" flags="1" position="192">\n'
             + xml_tp(11778000, 27500000, 1, 3, ' system="0" modulation="1"')
             + xml_tp(12603000, 22000000, 0, 4, ' system="1" modulation="2" is_id="3"')
             + '\t</sat>\n\t<sat name="Thor &amp; Intelsat (0.8W)" flags="0" position="-8">\n'
             + xml_tp(10719000, 27500000, 0, 9) + '\t\t<unknown/>\n\t</sat>\n</satellites>\n')
put("satellites_xml", "small.xml", XML_SMALL)
put("satellites_xml", "empty.xml", "<satellites/>\n")
put("satellites_xml", "edges.xml",
    '<satellites>\n<sat name="C-band (180.1E)" position="1801">\n'
    + "".join(xml_tp(3700000 + 500 * i, 27499500 + i, i % 4, i) for i in range(16))
    + xml_tp(3700000, 1000, 2, 0)
    + '</sat>\n<sat name="West" position="-1771"/>\n<sat name="Edge W" position="-3600"/>\n'
    '<sat name="Edge E" position="3600"></sat>\n</satellites>\n')
put("satellites_xml", "bom_crlf_latin1.xml",
    '\xef\xbb\xbf<?xml version="1.0" encoding="iso-8859-1"?>\r\n<satellites>\r\n'
    '<sat name=" T\xe9l\xe9 &#233; " position=" 130 ">\r\n'
    '<transponder frequency=" 11200000 " symbol_rate="\t27500000" polarization="3"/>\r\n'
    '</sat>\r\n</satellites>\r\n')
put("satellites_xml", "refused_position.xml",
    '<satellites>\n<sat name="a" position="192"/>\n<sat name="b" position="3601"/>\n</satellites>\n')
