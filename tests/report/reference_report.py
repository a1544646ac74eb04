#!/usr/bin/env python3
"""An independent reference for the end-to-end report cases (tests/e2e/report-*).

It reads a model file, analyses and sizes the truss with the same 64-bit
operations in the same order as the program (Python floats are IEEE doubles,
every operation correctly rounded, no fused multiply-add), and lays out the
report with decimal arithmetic: every number is rounded from its exact binary
value with Python's Decimal, ties to even, so nothing here shares code or
library routines with the program's std::to_chars path.

    python3 tests/report/reference_report.py MODEL.txt NAME > expected.rtf

Only what the report cases use is supported: one value list per read, values
separated by blanks or commas, no repeat counts, null values or slashes.
"""
import math
import struct
import sys
from decimal import ROUND_HALF_EVEN, Decimal, getcontext

# Enough digits for the exact value of any double: no decimal step rounds.
getcontext().prec = 2000

ELASTIC_MODULUS = 36000.0  # kgf/cm2
STRAND_AREA = 0.02545  # cm2
STRAND_LINEAR_WEIGHT = 0.0397  # g/cm
PIVOT_TOLERANCE = 9.999999747378752e-06  # 1.0E-5 as a 32-bit real


def float32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


STRAND_TENSILE_STRENGTH = float32(4.267)  # kgf
STRAND_BUCKLING_CONSTANT = float32(18.308866)  # kgf cm2


class Reader:
    """Free-form reads: each read starts on a new line and may go on over the next."""

    def __init__(self, text):
        self.lines = text.replace("\r\n", "\n").split("\n")
        self.next_line = 0

    def read(self, count):
        values = []
        while len(values) < count:
            line = self.lines[self.next_line]
            self.next_line += 1
            values += line.replace(",", " ").split()
        return values[:count]


def read_int(text):
    if "." in text or "e" in text.lower():
        return int(float(text))  # truncated toward zero
    return int(text)


def read_model(text):
    r = Reader(text)
    m = {}
    node_count = read_int(r.read(1)[0])
    bar_count = read_int(r.read(1)[0])
    m["labels"], m["x"], m["y"], index_of = [], [], [], {}
    for i in range(node_count):
        label, x, y = r.read(3)
        m["labels"].append(read_int(label))
        m["x"].append(float(x))
        m["y"].append(float(y))
        index_of[read_int(label)] = i + 1
    m["bar_labels"], m["bar_nodes"] = [], []
    for _ in range(bar_count):
        label, start, end = (read_int(v) for v in r.read(3))
        m["bar_labels"].append(label)
        m["bar_nodes"].append((start, end))
    support_count = read_int(r.read(1)[0])
    m["supports"] = []
    for _ in range(support_count):
        node = index_of[read_int(r.read(1)[0])]
        code_x, code_y = (read_int(v) for v in r.read(2))
        m["supports"].append((node, code_x, code_y))
    case_count = read_int(r.read(1)[0])
    m["loads"] = [[0.0] * (2 * node_count) for _ in range(case_count)]
    for q in range(case_count):
        for _ in range(read_int(r.read(1)[0])):
            dof = 2 * index_of[read_int(r.read(1)[0])] - 1
            m["loads"][q][dof - 1] = float(r.read(1)[0])
            m["loads"][q][dof] = float(r.read(1)[0])
    m["tension"] = float32(float(r.read(1)[0]))
    m["compression"] = float32(float(r.read(1)[0]))
    m["index_of"] = index_of
    return m


def analyse(m):
    n_nodes = len(m["labels"])
    n = 2 * n_nodes
    idx = m["index_of"]
    ends = [(idx[a], idx[b]) for a, b in m["bar_nodes"]]
    dmax = 0
    for p, q in ends:
        dmax = max(dmax, abs(q - p))
    h = 2 * dmax + 2
    band = [[0.0] * (h + 1) for _ in range(n + 1)]  # band[row][column], 1-based
    rigidity = ELASTIC_MODULUS * STRAND_AREA
    for p, q in ends:
        dx = m["x"][q - 1] - m["x"][p - 1]
        dy = m["y"][q - 1] - m["y"][p - 1]
        length = math.sqrt(dx * dx + dy * dy)
        cx, cy = dx / length, dy / length
        k = rigidity / length
        es = {}
        es[1, 1] = (cx * cx) * k
        es[1, 2] = (k * cx) * cy
        es[2, 2] = (cy * cy) * k
        es[1, 3] = -es[1, 1]
        es[1, 4] = -es[1, 2]
        es[2, 3] = es[1, 4]
        es[2, 4] = -es[2, 2]
        es[3, 3] = es[1, 1]
        es[4, 4] = es[2, 2]
        es[3, 4] = es[1, 2]
        node = {1: p, 2: q}
        for a in (1, 2):
            for e in range(a, 3):
                na, ne = node[a], node[e]
                for i in (1, 2):
                    for j in range(i if na == ne else 1, 3):
                        if na <= ne:
                            r, g = 2 * na - 2 + i, 2 * ne - 2 + j
                            term = es[2 * a - 2 + i, 2 * e - 2 + j]
                        else:
                            r, g = 2 * ne - 2 + i, 2 * na - 2 + j
                            term = es[2 * a - 2 + j, 2 * e - 2 + i]
                        band[r][g - r + 1] += term
    loads = [list(column) for column in m["loads"]]
    for node_index, code_x, code_y in m["supports"]:
        for d, code in ((2, code_x), (3, code_y)):
            if code != 0:
                continue
            e = 2 * node_index + d - 3
            band[e][1] = 1.0
            for column in loads:
                column[e - 1] = 0.0
            for mm in range(2, h + 1):
                if e + mm - 1 <= n:
                    band[e][mm] = 0.0
                if e - mm + 1 >= 1:
                    band[e - mm + 1][mm] = 0.0
    u = [[0.0] + list(column) for column in loads]  # u[case][row], 1-based
    work = [0.0] * (h + 1)
    for k in range(1, n):
        pivot = band[k][1]
        if abs(pivot) < PIVOT_TOLERANCE:
            raise SystemExit("singular")
        last = min(k + h - 1, n)
        for mm in range(2, h + 1):
            work[mm] = band[k][mm]
        for i in range(k + 1, last + 1):
            band[k][i - k + 1] = band[k][i - k + 1] / pivot
        for column in u:
            column[k] = column[k] / pivot
        for i in range(k + 1, last + 1):
            t = work[i - k + 1]
            for l in range(i, last + 1):
                band[i][l - i + 1] = band[i][l - i + 1] - t * band[k][l - k + 1]
            for column in u:
                column[i] = column[i] - t * column[k]
    for column in u:
        column[n] = column[n] / band[n][1]
    for k in range(n - 1, 0, -1):
        last = min(k + h - 1, n)
        for i in range(k + 1, last + 1):
            for column in u:
                column[k] = column[k] - band[k][i - k + 1] * column[i]
    cases = len(loads)
    force = [[0.0] * len(ends) for _ in range(cases)]
    reaction = [[0.0] * (n + 1) for _ in range(cases)]
    for b, (p, q) in enumerate(ends):
        dx = m["x"][q - 1] - m["x"][p - 1]
        dy = m["y"][q - 1] - m["y"][p - 1]
        length = math.sqrt(dx * dx + dy * dy)
        cx, cy = dx / length, dy / length
        for c in range(cases):
            da = u[c][2 * p - 1] * cx + u[c][2 * p] * cy
            db = u[c][2 * q - 1] * cx + u[c][2 * q] * cy
            f = (rigidity / length) * (db - da)
            force[c][b] = f
            reaction[c][2 * p - 1] -= cx * f
            reaction[c][2 * p] -= cy * f
            reaction[c][2 * q - 1] += cx * f
            reaction[c][2 * q] += cy * f
    # Sizing.
    if m["tension"] < 1.0:
        m["tension"] = 1.0
    if m["compression"] < 1.0:
        m["compression"] = 1.0
    allowable = STRAND_TENSILE_STRENGTH / m["tension"]
    lengths = []
    for p, q in ends:
        dx = m["x"][q - 1] - m["x"][p - 1]
        dy = m["y"][q - 1] - m["y"][p - 1]
        lengths.append(math.sqrt(dx * dx + dy * dy))
    strands = [[0] * len(ends) for _ in range(cases)]
    weight = [[0.0] * len(ends) for _ in range(cases)]
    total = [0.0] * cases
    for c in range(cases):
        for b, length in enumerate(lengths):
            f = force[c][b]
            if f > 0:
                count = math.ceil(f / allowable)
            elif f < 0:
                count = math.ceil(
                    math.sqrt(-(m["compression"] * f * (length * length)) / STRAND_BUCKLING_CONSTANT))
            else:
                count = 3
            strands[c][b] = max(count, 3)
        for b, length in enumerate(lengths):
            weight[c][b] = float(strands[c][b]) * length * STRAND_LINEAR_WEIGHT
        for b in range(len(lengths)):
            total[c] = total[c] + weight[c][b]
    return {"force": force, "reaction": reaction, "lengths": lengths, "strands": strands,
            "weight": weight, "total": total}


# Fields ------------------------------------------------------------------------


def field_i(value, w):
    text = str(value)
    return text.rjust(w) if len(text) <= w else "*" * w


def fixed_text(value, d):
    if math.isnan(value):
        return "NaN"
    if math.isinf(value):
        return "Infinity" if value > 0 else "-Infinity"
    rounded = Decimal(value).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_EVEN)
    if rounded == 0:
        rounded = abs(rounded)
    text = format(rounded, "f")
    if d == 0:
        text += "."
    return text


def field_f(value, w, d):
    text = fixed_text(value, d)
    if math.isinf(value) and len(text) > w:
        text = "Inf" if value > 0 else "-Inf"
    return text.rjust(w) if len(text) <= w else "*" * w


def field_a(text, w):
    return text.rjust(w) if len(text) <= w else text[:w]


def free_real(value):
    """The 15 columns of a 32-bit real in a free-form record."""
    exact = Decimal(value)
    if value != 0:
        magnitude = abs(exact)
        exponent = magnitude.adjusted()
        r = magnitude.quantize(Decimal(1).scaleb(exponent - 6), rounding=ROUND_HALF_EVEN)
        if r.adjusted() != exponent:
            exponent = r.adjusted()
        if -1 <= exponent <= 6:
            k = exponent + 1 if exponent >= 0 else 0
            return field_f(value, 11, 7 - k) + "    "
    if value == 0:
        return "0.0000000E+00".rjust(15)
    magnitude = abs(exact)
    exponent = magnitude.adjusted()
    mantissa = (magnitude.scaleb(-exponent)).quantize(Decimal("1.0000000"), rounding=ROUND_HALF_EVEN)
    if mantissa >= 10:
        exponent += 1
        mantissa = (magnitude.scaleb(-exponent)).quantize(Decimal("1.0000000"),
                                                          rounding=ROUND_HALF_EVEN)
    text = ("-" if value < 0 else "") + format(mantissa, "f") + "E%s%02d" % (
        "-" if exponent < 0 else "+", abs(exponent))
    return text.rjust(15)


def report(m, results, name):
    out = []

    def free(*items):
        record = ""
        start = True
        for item in items:
            if isinstance(item, str):
                if record and len(item) > 80 - len(record):
                    out.append(record)
                    record, start = "", True
                if start:
                    record += " "
                    start = False
                record += item
            else:
                record += item[0]  # a numeric field, already laid out
        out.append(record if record else " ")

    free("  =>OS RESULTADOS ESTAO APRESENTADOS NA TABELA ABAIXO<=")
    free()
    free("  NOME DO ARQUIVO DE TRABALHO: ", name.ljust(50))
    free()
    free("  NO  COORDENADA X  COORDENADA Y")
    free()
    for label, x, y in zip(m["labels"], m["x"], m["y"]):
        out.append(" " + field_i(label, 3) + "   " + field_f(x, 6, 2) + " " * 8 + field_f(y, 6, 2))
    free()
    free(" ELEMENTO  NO INICIAL  NO FINAL")
    free()
    for label, (start, end) in zip(m["bar_labels"], m["bar_nodes"]):
        out.append(" " + field_i(label, 3) + " " * 8 + field_i(start, 3) + " " * 8 + field_i(end, 3))
    free()
    free(" NO VINCULADO  DIRECAO X  DIRECAO Y")
    for node, code_x, code_y in m["supports"]:
        out.append(" " + field_i(node, 3) + " " * 12 + field_i(code_x, 1) + " " * 10 +
                   field_i(code_y, 1))
    free()
    free(" Coeficiente de segurança à tração: ", (free_real(m["tension"]),))
    free(" Coeficiente de segurança à compressão: ", (free_real(m["compression"]),))
    free()
    for c in range(len(results["total"])):
        free(" Carregamento", (field_i(c + 1, 7),))
        free()
        free("  ELEMENTO  COMPRIMENTO(cm)  ESFORCO NORMAL(kgf)  No FIOS  PESO ELEMENTO(g)")
        free()
        for b, label in enumerate(m["bar_labels"]):
            out.append("  " + field_i(label, 3) + " " * 7 + field_f(results["lengths"][b], 6, 2) +
                       " " * 12 + field_f(results["force"][c][b], 6, 2) + " " * 15 +
                       field_i(results["strands"][c][b], 3) + " " * 6 +
                       field_f(results["weight"][c][b], 7, 2))
        free()
        free("  (+)=>TRACAO")
        free("  (-)=>COMPRESSAO")
        free()
        out.append(field_a(" PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g): ", 52) +
                   field_f(results["total"][c], 7, 2))
        free()
        free(" Reações nodais")
        free()
        free(" NO     X          Y")
        free()
        for node, _, _ in m["supports"]:
            out.append(" " + field_i(m["labels"][node - 1], 3) + "   " +
                       field_f(results["reaction"][c][2 * node - 1], 6, 2) + " " * 5 +
                       field_f(results["reaction"][c][2 * node], 6, 2))
        free()
    return "".join(line + "\r\n" for line in out).encode("cp1252")


def main():
    model_file, name = sys.argv[1], sys.argv[2]
    with open(model_file, "rb") as f:
        m = read_model(f.read().decode("latin-1"))
    results = analyse(m)
    sys.stdout.buffer.write(report(m, results, name))


if __name__ == "__main__":
    main()
