#!/usr/bin/python3
"""Fake payment gateway for the VelPay tests and the README demo.

Written independently of the C++ client (own XML reading and writing, own
signature rule, own AES text cipher), so that a fault on one side is not
mirrored on the other.  Standard library plus Debian's python3-cryptography;
run it with /usr/bin/python3.

    /usr/bin/python3 tests/fakegw/fake_gateway.py --port 0 --port-file /tmp/p

Gateway side (what the client talks to):
    POST /pay/<op>                   the fifteen operations (see PATHS)
    POST /                           the store-information query (empty paths)
    GET  /download/Update.txt        the version file (GBK INI by default)

Control side (what the tests talk to, JSON in and out):
    GET  /__control/health
    POST /__control/reset
    POST /__control/script   {"op": "microPay", "replies": [plan, ...]}
    POST /__control/config   {...partial config...}     GET gives the config
    GET  /__control/requests[?op=microPay]

See README.md beside this file for the reply plan and the record format.
"""

import argparse
import base64
import binascii
import copy
import datetime
import hashlib
import http.server
import json
import os
import re
import signal
import socket
import ssl
import sys
import threading
import time
import urllib.parse
import xml.parsers.expat

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

# ---------------------------------------------------------------------------
# Protocol tables
# ---------------------------------------------------------------------------

# Operation name -> path, in TRequestUrl order.
PATHS = [
    ("queryStoreInfo", "/pay/queryStoreInfo"),
    ("syyLogin", "/pay/syyLogin"),
    ("microPay", "/pay/microPay"),
    ("orderQuery", "/pay/orderQuery"),
    ("orderReverse", "/pay/orderReverse"),
    ("closeOrder", "/pay/closeOrder"),
    ("unifiedOrder", "/pay/unifiedOrder"),
    ("refund", "/pay/refund"),
    ("refundQuery", "/pay/refundQuery"),
    ("queryRefundDetail", "/pay/queryRefundDetail"),
    ("queryOrderDetail", "/pay/queryOrderDetail"),
    ("refundPrintQuery", "/pay/refundPrintQuery"),
    ("orderPrintQuery", "/pay/orderPrintQuery"),
    ("todayTotal", "/pay/todayTotal"),
    ("syyUpdPwd", "/pay/syyUpdPwd"),
]
PATH_TO_OP = {p: op for op, p in PATHS}
OP_NAMES = [op for op, _ in PATHS] + ["version"]
VERSION_PATH = "/download/Update.txt"

COMMON4 = ["appid", "mch_id", "store_appid", "syy_id"]

# op -> (request fields in wire order, signed?)
OPS = {
    "queryStoreInfo": (["store_appid", "super_pwd"], False),
    "syyLogin": (COMMON4 + ["syy_pwd"], False),
    "microPay": (COMMON4 + ["total_fee", "auth_code"], True),
    "orderQuery": (COMMON4 + ["out_trade_no"], True),
    "orderReverse": (COMMON4 + ["out_trade_no"], True),
    "closeOrder": (COMMON4 + ["out_trade_no"], True),
    "unifiedOrder": (COMMON4 + ["total_fee"], True),
    "refund": (COMMON4 + ["pass_trade_no", "out_trade_no", "refund_fee", "super_pwd"], True),
    # No request class of the client posts to refundQueryUrl; its shape is
    # unknown, so only the common four and the signature are checked and
    # extra fields are accepted.
    "refundQuery": (COMMON4, True),
    "queryRefundDetail": (COMMON4 + ["out_trade_no", "refund_date"], True),
    "queryOrderDetail": (COMMON4 + ["out_trade_no", "order_date"], True),
    "refundPrintQuery": (COMMON4 + ["out_trade_no", "out_refund_no"], True),
    "orderPrintQuery": (COMMON4 + ["out_trade_no"], True),
    "todayTotal": (COMMON4, True),
    "syyUpdPwd": (COMMON4 + ["syy_pwd", "syy_newpwd"], True),
}
LENIENT_EXTRA = {"refundQuery"}
ENCIPHERED = {"syy_pwd", "super_pwd", "syy_newpwd"}

STORED_AES_KEY = "Wn4rB7tYq2Lc9HsE"

DEFAULT_CONFIG = {
    "mch_name": "海川测试商户",
    "mch_id": "1900000109",
    "appid": "wx2421b1c4370ec43b",
    "key": "192006250b4c09247ec02edce69f6a2d",
    "store_appid": "S0001",
    "store_name": "测试门店一号",
    "super_pwd": "888888",
    "cashiers": {"1001": {"pwd": "123456", "name": "张三"}},
    # None: the built-in GBK version file; a text: written as GBK.
    "update_txt": None,
    "update_txt_b64": None,
    "update_status": 200,
    # true: a request with problems gets result -1 (unless a script is queued)
    "strict": True,
    # "storeinfo": POST / is the store-information query, nothing else;
    # "infer": POST / is answered as the operation whose field set it carries
    # (still recorded as a problem when it is not the store-information query).
    "base_path": "storeinfo",
    # Extra files served by GET: {"/download/x.zip": "<base64>"}
    "files": {},
}

CONFIG_ALIASES = {
    "mchname": "mch_name", "mch_name": "mch_name",
    "mchid": "mch_id", "mch_id": "mch_id",
    "appid": "appid",
    "key": "key",
    "storeappid": "store_appid", "store_appid": "store_appid",
    "storename": "store_name", "store_name": "store_name",
    "super_pwd": "super_pwd", "superpwd": "super_pwd",
    "cashiers": "cashiers",
    "update_txt": "update_txt", "update_txt_b64": "update_txt_b64",
    "update_status": "update_status",
    "strict": "strict", "base_path": "base_path", "files": "files",
}

# ---------------------------------------------------------------------------
# AES text cipher: AES-128-ECB, PKCS#7, upper-case hex over UTF-8
# ---------------------------------------------------------------------------


def _aes_key_bytes(key_text):
    raw = key_text.encode("utf-8")[:16]
    return raw + b"\0" * (16 - len(raw))


def aes_encrypt_text(text, key_text=STORED_AES_KEY):
    """Text -> upper-case hex of AES-128-ECB(PKCS#7(UTF-8(text)))."""
    data = text.encode("utf-8")
    n = 16 - len(data) % 16
    data += bytes([n]) * n
    enc = Cipher(algorithms.AES(_aes_key_bytes(key_text)), modes.ECB()).encryptor()
    return (enc.update(data) + enc.finalize()).hex().upper()


class CipherError(ValueError):
    pass


def aes_decrypt_text(hex_text, key_text=STORED_AES_KEY):
    """Strict inverse of aes_encrypt_text; raises CipherError with a reason."""
    if not hex_text:
        raise CipherError("empty (an empty password must still travel as 32 hex digits)")
    if not re.fullmatch(r"[0-9A-Fa-f]*", hex_text):
        raise CipherError("not hexadecimal")
    if len(hex_text) % 32:
        raise CipherError("length %d is not a multiple of 32 hex digits" % len(hex_text))
    data = bytes.fromhex(hex_text)
    dec = Cipher(algorithms.AES(_aes_key_bytes(key_text)), modes.ECB()).decryptor()
    plain = dec.update(data) + dec.finalize()
    n = plain[-1]
    if not 1 <= n <= 16 or plain[-n:] != bytes([n]) * n:
        raise CipherError("bad PKCS#7 padding (wrong key or data)")
    try:
        text = plain[:-n].decode("utf-8")
    except UnicodeDecodeError:
        raise CipherError("deciphered bytes are not UTF-8")
    if hex_text != hex_text.upper():
        raise CipherError("hex digits not upper case (deciphers to %r)" % text)
    return text


# ---------------------------------------------------------------------------
# Signature
# ---------------------------------------------------------------------------


def _name_sort_key(name):
    # Case ignored; punctuation before digits before letters (the Windows
    # ordering the client uses).  For the ASCII field names of the protocol
    # this equals a plain lower-case sort.
    key = []
    for ch in name:
        low = ch.lower()
        if low.isalpha():
            key.append((2, low))
        elif low.isdigit():
            key.append((1, low))
        else:
            key.append((0, low))
    return key


def _cp936_roundtrip(text):
    # The client passes names and values through code page 936 before UTF-8,
    # so a character GBK cannot hold is hashed as "?".
    return text.encode("gbk", errors="replace").decode("gbk")


def sign_string(pairs, key):
    """pairs: list of (name, value) of the root's children, in document order,
    value None for a child that is not plain text (nested element): such a
    child is left out.  Returns the text that is hashed."""
    usable = [(n, v) for n, v in pairs
              if v is not None and n.lower() != "sign" and v != ""]
    names = sorted((n for n, _ in usable), key=_name_sort_key)
    first = {}
    for n, v in usable:
        first.setdefault(n, v)
    parts = ["%s=%s" % (n, first[n]) for n in names]
    parts.append("key=" + key)
    return "&".join(parts)


def make_sign(pairs, key):
    text = _cp936_roundtrip(sign_string(pairs, key))
    return hashlib.md5(text.encode("utf-8")).hexdigest().upper()


# ---------------------------------------------------------------------------
# XML: a small tree read with expat, keeping CDATA apart from text
# ---------------------------------------------------------------------------


class Node:
    __slots__ = ("kind", "name", "attrs", "children", "data")

    def __init__(self, kind, name=None, attrs=None, data=""):
        self.kind = kind          # "elem", "text", "cdata", "comment", "pi"
        self.name = name
        self.attrs = attrs or {}
        self.children = []
        self.data = data


class XmlInfo:
    def __init__(self):
        self.decl = None          # (version, encoding, standalone) or None
        self.doctype = False
        self.top_level_other = []  # comments / PIs outside the root


def parse_xml(body):
    """Parse bytes; returns (root Node, XmlInfo).  Raises ValueError."""
    info = XmlInfo()
    stack = []
    root = [None]
    in_cdata = [False]
    p = xml.parsers.expat.ParserCreate()

    def start(name, attrs):
        node = Node("elem", name, attrs)
        if stack:
            stack[-1].children.append(node)
        elif root[0] is None:
            root[0] = node
        stack.append(node)

    def end(name):
        stack.pop()

    def chars(data):
        if not stack:
            return
        cur = stack[-1]
        if in_cdata[0]:
            cur.children[-1].data += data
        elif cur.children and cur.children[-1].kind == "text":
            cur.children[-1].data += data
        else:
            cur.children.append(Node("text", data=data))

    def cdata_start():
        in_cdata[0] = True
        if stack:
            stack[-1].children.append(Node("cdata", data=""))

    def cdata_end():
        in_cdata[0] = False

    def comment(data):
        if stack:
            stack[-1].children.append(Node("comment", data=data))
        else:
            info.top_level_other.append("comment")

    def pi(target, data):
        if stack:
            stack[-1].children.append(Node("pi", target, data=data))
        else:
            info.top_level_other.append("processing instruction " + target)

    def decl(version, encoding, standalone):
        info.decl = (version, encoding, standalone)

    def doctype(*args):
        info.doctype = True

    p.StartElementHandler = start
    p.EndElementHandler = end
    p.CharacterDataHandler = chars
    p.StartCdataSectionHandler = cdata_start
    p.EndCdataSectionHandler = cdata_end
    p.CommentHandler = comment
    p.ProcessingInstructionHandler = pi
    p.XmlDeclHandler = decl
    p.StartDoctypeDeclHandler = doctype
    try:
        p.Parse(body, True)
    except xml.parsers.expat.ExpatError as e:
        raise ValueError("not well-formed XML: %s" % e)
    if root[0] is None:
        raise ValueError("no root element")
    return root[0], info


def element_value(node):
    """Text of a leaf element: (value, kind) where kind is "cdata", "text",
    "empty", or an error text (value None) for any other content."""
    kids = [c for c in node.children]
    if not kids:
        return "", "empty"
    if len(kids) == 1 and kids[0].kind in ("cdata", "text"):
        return kids[0].data, kids[0].kind
    kinds = ", ".join(k.kind if k.kind != "elem" else "element <%s>" % k.name for k in kids)
    return None, "content is not one text or CDATA node (%s)" % kinds


def xml_escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"))


def build_xml(items, root="xml", cdata=True, encoding="UTF-8", declaration=True):
    """items: list of (name, value); value is a str, None (skipped), a dict
    (nested element of children) or a list of dicts (nested records, each a
    dict that may name its element with "_tag")."""
    lines = []
    if declaration:
        lines.append('<?xml version="1.0" encoding="%s"?>' % encoding)
    lines.append("<%s>" % root)

    def leaf(name, value, indent):
        value = str(value)
        if cdata and "]]>" not in value:
            return "%s<%s><![CDATA[%s]]></%s>" % (indent, name, value, name)
        return "%s<%s>%s</%s>" % (indent, name, xml_escape(value), name)

    def emit(name, value, indent, record_tag):
        if value is None:
            return
        if isinstance(value, dict):
            lines.append("%s<%s>" % (indent, name))
            for k, v in value.items():
                if k == "_tag":
                    continue
                emit(k, v, indent + "  ", None)
            lines.append("%s</%s>" % (indent, name))
        elif isinstance(value, list):
            lines.append("%s<%s>" % (indent, name))
            tag = name[:-1] if name.endswith("s") else name + "_item"
            for rec in value:
                rec = rec if isinstance(rec, dict) else {"value": rec}
                emit(rec.get("_tag", tag), rec, indent + "  ", None)
            lines.append("%s</%s>" % (indent, name))
        else:
            lines.append(leaf(name, value, indent))

    for name, value in items:
        emit(name, value, "  ", None)
    lines.append("</%s>" % root)
    text = "".join(line + "\r\n" for line in lines)
    if encoding.upper() in ("GBK", "GB2312", "GB18030", "CP936"):
        return text.encode("gbk", errors="replace")
    return text.encode("utf-8")


def canonical_request_text(op, values, signed, sign_value):
    """The request document exactly as the client writes it."""
    fields = OPS[op][0]
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<xml>"]
    for f in fields:
        lines.append("  <%s><![CDATA[%s]]></%s>" % (f, values.get(f, ""), f))
    if signed:
        lines.append("  <sign><![CDATA[%s]]></sign>" % sign_value)
    lines.append("</xml>")
    return "".join(line + "\r\n" for line in lines)


# ---------------------------------------------------------------------------
# Helpers
# ---------------------------------------------------------------------------


def fen_to_yuan(fen):
    sign = "-" if fen < 0 else ""
    fen = abs(fen)
    return "%s%d.%02d" % (sign, fen // 100, fen % 100)


def to_int(text, default=0):
    try:
        return int(str(text).strip())
    except (TypeError, ValueError):
        return default


def now_compact():
    return datetime.datetime.now().strftime("%Y%m%d%H%M%S")


def now_dashed():
    return datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")


def today_dashed():
    return datetime.date.today().strftime("%Y-%m-%d")


# ---------------------------------------------------------------------------
# Server state
# ---------------------------------------------------------------------------


class State:
    def __init__(self):
        self.lock = threading.RLock()
        self.reset()

    def reset(self):
        with self.lock:
            self.config = copy.deepcopy(DEFAULT_CONFIG)
            self.scripts = {op: [] for op in OP_NAMES}
            self.records = []
            self.seq = 0          # request records
            self.num = 0          # generated numbers
            self.orders = {}      # out_trade_no -> dict (session orders)
            self.order_list = []  # out_trade_no in creation order
            self.refunds = {}     # out_refund_no -> dict
            self.refund_list = []

    def next_num(self):
        with self.lock:
            self.num += 1
            return self.num

    def pop_script(self, op):
        with self.lock:
            q = self.scripts.get(op)
            if q:
                return q.pop(0)
            return None

    def apply_config(self, data):
        if not isinstance(data, dict):
            raise ValueError("config must be a JSON object")
        updates = {}
        for k, v in data.items():
            key = CONFIG_ALIASES.get(k.lower().replace("-", "_")) or CONFIG_ALIASES.get(k.lower())
            if key is None:
                raise ValueError("unknown config key %r" % k)
            if key == "cashiers":
                v = self._norm_cashiers(v)
            elif key in ("update_status",):
                v = int(v)
            elif key == "strict":
                v = bool(v)
            elif key == "base_path":
                if v not in ("storeinfo", "infer"):
                    raise ValueError("base_path must be 'storeinfo' or 'infer'")
            elif key == "files":
                if not isinstance(v, dict):
                    raise ValueError("files must be an object path -> base64")
                v = {str(p): str(b) for p, b in v.items()}
                for b in v.values():
                    base64.b64decode(b, validate=True)
            elif key == "update_txt_b64":
                if v is not None:
                    base64.b64decode(v, validate=True)
            elif key == "update_txt":
                if v is not None:
                    v = str(v)
                    v.encode("gbk")
            else:
                v = str(v)
            updates[key] = v
        with self.lock:
            if "update_txt" in updates and updates["update_txt"] is not None:
                self.config["update_txt_b64"] = None
            if "update_txt_b64" in updates and updates["update_txt_b64"] is not None:
                self.config["update_txt"] = None
            self.config.update(updates)

    @staticmethod
    def _norm_cashiers(v):
        if not isinstance(v, dict):
            raise ValueError("cashiers must be an object id -> {pwd, name}")
        out = {}
        for cid, c in v.items():
            if isinstance(c, (list, tuple)) and len(c) == 2:
                out[str(cid)] = {"pwd": str(c[0]), "name": str(c[1])}
            elif isinstance(c, dict) and "pwd" in c:
                out[str(cid)] = {"pwd": str(c["pwd"]), "name": str(c.get("name", ""))}
            else:
                raise ValueError("cashier %r must be [pwd, name] or {pwd, name}" % cid)
        return out

    def public_config(self):
        with self.lock:
            return copy.deepcopy(self.config)


# ---------------------------------------------------------------------------
# Request checking
# ---------------------------------------------------------------------------


def check_request(op, body, key):
    """Returns a dict: fields (first value per name), field_order, decrypted,
    sign_ok, sign_expected, problems, layout_ok, xml_ok."""
    res = {"fields": {}, "field_order": [], "decrypted": {}, "sign_ok": None,
           "sign_expected": None, "problems": [], "layout_ok": False, "xml_ok": False}
    problems = res["problems"]
    try:
        root, info = parse_xml(body)
    except ValueError as e:
        problems.append("xml: %s" % e)
        return res
    res["xml_ok"] = True
    if root.name != "xml":
        problems.append("xml: root element is <%s>, not <xml>" % root.name)
    if root.attrs:
        problems.append("xml: root has attributes %s" % sorted(root.attrs))
    if info.doctype:
        problems.append("xml: document type present")
    if info.top_level_other:
        problems.append("xml: %s outside the root" % ", ".join(info.top_level_other))

    pairs = []
    for child in root.children:
        if child.kind == "text":
            if child.data.strip():
                problems.append("xml: text %r directly inside the root" % child.data.strip()[:40])
            continue
        if child.kind != "elem":
            problems.append("xml: %s directly inside the root" % child.kind)
            continue
        value, kind = element_value(child)
        res["field_order"].append(child.name)
        if child.attrs:
            problems.append("field %s: has attributes %s" % (child.name, sorted(child.attrs)))
        if value is None:
            problems.append("field %s: %s" % (child.name, kind))
        elif kind == "text":
            problems.append("field %s: value is plain text, not one CDATA section" % child.name)
        elif kind == "empty":
            problems.append("field %s: no CDATA section (empty element)" % child.name)
        if child.name in res["fields"]:
            problems.append("field %s: appears more than once" % child.name)
        else:
            res["fields"][child.name] = value if value is not None else ""
        pairs.append((child.name, value))

    wanted, signed = OPS[op]
    names = [n for n in res["field_order"]]
    body_names = [n for n in names if n != "sign"]
    for f in wanted:
        if f not in res["fields"]:
            problems.append("field %s: missing" % f)
    extra = [n for n in body_names if n not in wanted]
    if extra and op not in LENIENT_EXTRA:
        problems.append("field order: unexpected element(s) %s" % ", ".join(extra))
    present = [n for n in body_names if n in wanted]
    if present != [f for f in wanted if f in present]:
        problems.append("field order: got %s, expected %s" % (" ".join(present), " ".join(wanted)))

    if signed:
        expected = make_sign(pairs, key)
        res["sign_expected"] = expected
        if "sign" not in res["fields"]:
            problems.append("sign: missing")
            res["sign_ok"] = False
        else:
            got = res["fields"]["sign"]
            res["sign_ok"] = (got == expected)
            if got != expected:
                problems.append("sign: wrong (got %r, expected %s over %r)"
                                % (got, expected, sign_string(pairs, "<key>")))
            if names[-1] != "sign":
                problems.append("sign: not the last element")
            if names.count("sign") > 1:
                problems.append("sign: more than one sign element")
    else:
        if any(n.lower() == "sign" for n in names):
            problems.append("sign: present, but %s is not a signed operation" % op)

    for f in wanted:
        if f in ENCIPHERED and f in res["fields"]:
            try:
                res["decrypted"][f] = aes_decrypt_text(res["fields"][f])
            except CipherError as e:
                problems.append("cipher %s: %s" % (f, e))

    # Exact text the client writes (declaration, CR LF, two-blank indent)
    if not problems:
        want = canonical_request_text(op, res["fields"], signed, res["fields"].get("sign", ""))
        res["layout_ok"] = (body == want.encode("utf-8"))
        if not res["layout_ok"]:
            res["layout_diff"] = _first_diff(body, want.encode("utf-8"))
    return res


def _first_diff(got, want):
    gl = got.split(b"\n")
    wl = want.split(b"\n")
    for i in range(max(len(gl), len(wl))):
        a = gl[i] if i < len(gl) else None
        b = wl[i] if i < len(wl) else None
        if a != b:
            return "line %d: got %r, expected %r" % (i + 1, a, b)
    return ""


def infer_op(field_names):
    """For a POST to the base path: the one operation whose request fields
    equal the set posted, or None when none or several match."""
    names = set(n for n in field_names if n != "sign")
    hits = [op for op, (f, _) in OPS.items() if set(f) == names and op != "refundQuery"]
    return hits[0] if len(hits) == 1 else None


# ---------------------------------------------------------------------------
# Default replies
# ---------------------------------------------------------------------------


class Replies:
    def __init__(self, state, base_url):
        self.st = state
        self.base_url = base_url

    # numbers --------------------------------------------------------------
    def _out_trade_no(self, n, cfg):
        return "%s%s%04d" % (cfg["mch_id"], now_compact(), n % 10000)

    # 28 digits like WeChat Pay's; the sample records use ...0000000000001 and
    # ...0000000000002, generated numbers start at ...1000000000001.
    def _transaction_id(self, n):
        return "4200000%s1%012d" % (datetime.date.today().strftime("%Y%m%d"), n)

    def _refund_id(self, n):
        return "5030000%s1%012d" % (datetime.date.today().strftime("%Y%m%d"), n)

    def _order(self, out_trade_no):
        with self.st.lock:
            return self.st.orders.get(out_trade_no)

    def _sample_orders(self, cfg):
        d = today_dashed()
        dc = d.replace("-", "")
        return [
            {"trade_time": d + " 09:12:45", "out_trade_no": cfg["mch_id"] + dc + "0001",
             "transaction_id": "4200000" + dc + "0000000000001", "fen": 1, "coupon": 0,
             "trade_state": "SUCCESS"},
            {"trade_time": d + " 10:03:11", "out_trade_no": cfg["mch_id"] + dc + "0002",
             "transaction_id": "4200000" + dc + "0000000000002", "fen": 1250, "coupon": 0,
             "trade_state": "REFUND"},
        ]

    def _sample_refunds(self, cfg):
        orders = self._sample_orders(cfg)
        o = orders[1]
        d = today_dashed()
        dc = d.replace("-", "")
        return [
            {"out_trade_no": o["out_trade_no"], "transaction_id": o["transaction_id"],
             "total_fen": o["fen"], "out_refund_no": "R" + dc + "0001",
             "refund_id": "5030000" + dc + "0000000000001", "fen": 250, "coupon": 0,
             "refund_time": d + " 10:20:00", "refund_status": "SUCCESS"},
            {"out_trade_no": o["out_trade_no"], "transaction_id": o["transaction_id"],
             "total_fen": o["fen"], "out_refund_no": "R" + dc + "0002",
             "refund_id": "5030000" + dc + "0000000000002", "fen": 100, "coupon": 0,
             "refund_time": d + " 10:25:30", "refund_status": "PROCESSING"},
        ]

    def _all_orders(self, cfg):
        with self.st.lock:
            session = [self.st.orders[k] for k in self.st.order_list]
        return self._sample_orders(cfg) + session

    def _all_refunds(self, cfg):
        with self.st.lock:
            session = [self.st.refunds[k] for k in self.st.refund_list]
        return self._sample_refunds(cfg) + session

    @staticmethod
    def ok(cfg):
        return [("result", "0"), ("errmsg", "OK"),
                ("appid", cfg["appid"]), ("mch_id", cfg["mch_id"])]

    @staticmethod
    def fail(msg, result="-1"):
        return [("result", result), ("errmsg", msg)]

    # per operation ----------------------------------------------------------
    def default(self, op, req):
        cfg = self.st.public_config()
        f = req["fields"]
        dec = req["decrypted"]
        return getattr(self, "r_" + op)(cfg, f, dec)

    def r_queryStoreInfo(self, cfg, f, dec):
        if f.get("store_appid", "") != cfg["store_appid"]:
            return self.fail("门店不存在")
        if dec.get("super_pwd") != cfg["super_pwd"]:
            return self.fail("超级密码错误")
        return [("result", "0"), ("errmsg", "OK"),
                ("mch_name", cfg["mch_name"]), ("appid", cfg["appid"]),
                ("mch_id", cfg["mch_id"]), ("key", aes_encrypt_text(cfg["key"])),
                ("store_appid", cfg["store_appid"]), ("store_name", cfg["store_name"])]

    def r_syyLogin(self, cfg, f, dec):
        c = cfg["cashiers"].get(f.get("syy_id", ""))
        if c is None:
            return self.fail("收银员不存在")
        if dec.get("syy_pwd") != c["pwd"]:
            return self.fail("密码错误")
        return [("result", "0"), ("errmsg", "OK"), ("syy_name", c["name"])]

    def r_microPay(self, cfg, f, dec):
        n = self.st.next_num()
        fen = to_int(f.get("total_fee"), 0)
        o = {"trade_time": now_dashed(), "time_end": now_compact(),
             "out_trade_no": self._out_trade_no(n, cfg),
             "transaction_id": self._transaction_id(n), "fen": fen, "coupon": 0,
             "trade_state": "SUCCESS"}
        with self.st.lock:
            self.st.orders[o["out_trade_no"]] = o
            self.st.order_list.append(o["out_trade_no"])
        return self.ok(cfg) + [
            ("out_trade_no", o["out_trade_no"]), ("total_fee", f.get("total_fee", "")),
            ("coupon_fee", "0"), ("transaction_id", o["transaction_id"]),
            ("time_end", o["time_end"])]

    def r_orderQuery(self, cfg, f, dec):
        no = f.get("out_trade_no", "")
        o = self._order(no)
        if o is None:
            n = self.st.next_num()
            fen, coupon, tid, tend = 1, 0, self._transaction_id(n), now_compact()
        else:
            with self.st.lock:
                if o["trade_state"] in ("NOTPAY", "USERPAYING"):
                    o["trade_state"] = "SUCCESS"
                    o["time_end"] = now_compact()
            fen, coupon, tid, tend = o["fen"], o["coupon"], o["transaction_id"], o["time_end"]
        return self.ok(cfg) + [
            ("out_trade_no", no), ("total_fee", str(fen)), ("coupon_fee", str(coupon)),
            ("transaction_id", tid), ("trade_state", "SUCCESS"), ("time_end", tend)]

    def r_orderReverse(self, cfg, f, dec):
        o = self._order(f.get("out_trade_no", ""))
        if o is not None:
            with self.st.lock:
                o["trade_state"] = "REVOKED"
        return self.ok(cfg) + [("out_trade_no", f.get("out_trade_no", "")), ("recall", "N")]

    def r_closeOrder(self, cfg, f, dec):
        o = self._order(f.get("out_trade_no", ""))
        if o is not None:
            with self.st.lock:
                o["trade_state"] = "CLOSED"
        return self.ok(cfg) + [("out_trade_no", f.get("out_trade_no", ""))]

    def r_unifiedOrder(self, cfg, f, dec):
        n = self.st.next_num()
        fen = to_int(f.get("total_fee"), 0)
        o = {"trade_time": now_dashed(), "time_end": now_compact(),
             "out_trade_no": self._out_trade_no(n, cfg),
             "transaction_id": self._transaction_id(n), "fen": fen, "coupon": 0,
             "trade_state": "NOTPAY"}
        with self.st.lock:
            self.st.orders[o["out_trade_no"]] = o
            self.st.order_list.append(o["out_trade_no"])
        pr = hashlib.md5(o["out_trade_no"].encode()).hexdigest()
        prepay = "wx" + now_compact() + pr[:18]
        code = "".join("ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789"[int(pr[i:i + 2], 16) % 57]
                       for i in range(0, 14, 2))
        return self.ok(cfg) + [
            ("out_trade_no", o["out_trade_no"]), ("prepay_id", prepay),
            ("code_url", "weixin://wxpay/bizpayurl?pr=" + code)]

    def r_refund(self, cfg, f, dec):
        if dec.get("super_pwd") != cfg["super_pwd"]:
            return self.fail("退款授权码错误")
        n = self.st.next_num()
        no = f.get("out_trade_no", "")
        pass_no = f.get("pass_trade_no", "")
        o = None
        for cand in self._all_orders(cfg):
            if (no and cand["out_trade_no"] == no) or (not no and pass_no and cand["transaction_id"] == pass_no):
                o = cand
        fee = to_int(f.get("refund_fee"), 0)
        total = o["fen"] if o else fee
        tid = o["transaction_id"] if o else (f.get("pass_trade_no") or self._transaction_id(n))
        r = {"out_trade_no": no or (o["out_trade_no"] if o else ""), "transaction_id": tid,
             "total_fen": total, "out_refund_no": "R%s%04d" % (now_compact(), n % 10000),
             "refund_id": self._refund_id(n), "fen": fee, "coupon": 0,
             "refund_time": now_dashed(), "refund_status": "SUCCESS"}
        with self.st.lock:
            self.st.refunds[r["out_refund_no"]] = r
            self.st.refund_list.append(r["out_refund_no"])
            if o is not None and self.st.orders.get(o["out_trade_no"]) is o:
                o["trade_state"] = "REFUND"
        return self.ok(cfg) + [
            ("transaction_id", tid), ("out_trade_no", r["out_trade_no"]),
            ("out_refund_no", r["out_refund_no"]), ("refund_id", r["refund_id"]),
            ("refund_fee", f.get("refund_fee", "")), ("coupon_refund_fee", "0"),
            ("total_fee", str(total))]

    def r_refundQuery(self, cfg, f, dec):
        return self.r_queryRefundDetail(cfg, f, dec)

    def _refund_rec(self, r, full):
        rec = {"_tag": "refund_data", "out_trade_no": r["out_trade_no"]}
        if full:
            rec["transaction_id"] = r["transaction_id"]
            rec["total_fee"] = fen_to_yuan(r["total_fen"])
        rec["out_refund_no"] = r["out_refund_no"]
        if full:
            rec["refund_id"] = r["refund_id"]
        rec["refund_fee"] = fen_to_yuan(r["fen"])
        if full:
            rec["coupon_refund_fee"] = fen_to_yuan(r["coupon"])
        if full:
            rec["refund_time"] = r["refund_time"]
            rec["refund_status"] = r["refund_status"]
        else:
            rec["refund_status"] = r["refund_status"]
            rec["refund_time"] = r["refund_time"]
        return rec

    def r_queryRefundDetail(self, cfg, f, dec):
        flt = f.get("out_trade_no", "")
        refunds = [r for r in self._all_refunds(cfg) if not flt or r["out_trade_no"] == flt]
        recs = [self._refund_rec(r, False) for r in refunds]
        return self.ok(cfg) + [("record_count", str(len(recs))), ("refund_datas", recs)]

    def r_refundPrintQuery(self, cfg, f, dec):
        want = f.get("out_refund_no", "")
        hits = [r for r in self._all_refunds(cfg) if r["out_refund_no"] == want]
        if not hits:
            n = self.st.next_num()
            hits = [{"out_trade_no": f.get("out_trade_no", ""), "transaction_id": self._transaction_id(n),
                     "total_fen": 100, "out_refund_no": want, "refund_id": self._refund_id(n),
                     "fen": 100, "coupon": 0, "refund_time": now_dashed(), "refund_status": "SUCCESS"}]
        recs = [self._refund_rec(r, True) for r in hits]
        return self.ok(cfg) + [("record_count", str(len(recs))), ("refund_datas", recs)]

    def r_queryOrderDetail(self, cfg, f, dec):
        flt = f.get("out_trade_no", "")
        orders = [o for o in self._all_orders(cfg) if not flt or o["out_trade_no"] == flt]
        recs = [{"_tag": "order_data", "trade_time": o["trade_time"], "out_trade_no": o["out_trade_no"],
                 "transaction_id": o["transaction_id"], "total_fee": fen_to_yuan(o["fen"]),
                 "trade_state": o["trade_state"]} for o in orders]
        return self.ok(cfg) + [("record_count", str(len(recs))), ("order_datas", recs)]

    def r_orderPrintQuery(self, cfg, f, dec):
        no = f.get("out_trade_no", "")
        hit = None
        for o in self._all_orders(cfg):
            if o["out_trade_no"] == no:
                hit = o
        if hit is None:
            n = self.st.next_num()
            hit = {"trade_time": now_dashed(), "out_trade_no": no, "transaction_id": self._transaction_id(n),
                   "fen": 1, "coupon": 0, "trade_state": "SUCCESS"}
        return self.ok(cfg) + [
            ("out_trade_no", hit["out_trade_no"]), ("total_fee", fen_to_yuan(hit["fen"])),
            ("coupon_fee", fen_to_yuan(hit["coupon"])), ("transaction_id", hit["transaction_id"]),
            ("trade_time", hit["trade_time"]), ("trade_state", hit["trade_state"])]

    def r_todayTotal(self, cfg, f, dec):
        paid = [o for o in self._all_orders(cfg) if o["trade_state"] in ("SUCCESS", "REFUND")]
        refunds = [r for r in self._all_refunds(cfg) if r["refund_status"] in ("SUCCESS", "PROCESSING")]
        of = sum(o["fen"] for o in paid)
        rf = sum(r["fen"] for r in refunds)
        return self.ok(cfg) + [
            ("total_order_num", str(len(paid))), ("total_order_fee", fen_to_yuan(of)),
            ("total_refund_num", str(len(refunds))), ("total_refund_fee", fen_to_yuan(rf)),
            ("total_get_fee", fen_to_yuan(of - rf))]

    def r_syyUpdPwd(self, cfg, f, dec):
        sid = f.get("syy_id", "")
        c = cfg["cashiers"].get(sid)
        if c is None:
            return self.fail("收银员不存在")
        if dec.get("syy_pwd") != c["pwd"]:
            return self.fail("原密码错误")
        if "syy_newpwd" not in dec:
            return self.fail("新密码无法解密")
        with self.st.lock:
            self.st.config["cashiers"][sid]["pwd"] = dec["syy_newpwd"]
        return [("result", "0"), ("errmsg", "OK")]

    # version file -----------------------------------------------------------
    def version_bytes(self, overrides=None):
        cfg = self.st.public_config()
        if cfg["update_txt_b64"] is not None and not overrides:
            return base64.b64decode(cfg["update_txt_b64"])
        if cfg["update_txt"] is not None and not overrides:
            return cfg["update_txt"].replace("${BASE_URL}", self.base_url).encode("gbk")
        items = [("Ver", "1.0.5"),
                 ("Address", self.base_url + "/download/VelPay_1.0.5.zip"),
                 ("SetupFile", "setup.exe")]
        if overrides:
            d = dict(items)
            d.update({k: str(v) for k, v in overrides.items()})
            items = list(d.items())
        text = "[升级配置]\r\n" + "".join("%s=%s\r\n" % kv for kv in items)
        return text.encode("gbk")


# ---------------------------------------------------------------------------
# Reply plans
# ---------------------------------------------------------------------------

SPEC_KEYS = {"fields", "omit", "sign", "raw", "raw_b64", "status", "redirect", "delay",
             "drop", "hangup", "trickle", "root", "cdata", "encoding", "declaration",
             "content_type", "block_folder"}


def block_folder(path):
    """Moves the folder at path aside (to path + "~") and puts an empty file in its place:
    whoever then writes into the folder fails, the superuser too."""
    if os.path.isdir(path):
        os.replace(path, path + "~")
    with open(path, "wb"):
        pass


def validate_spec(plan):
    if not isinstance(plan, dict):
        raise ValueError("a reply plan must be a JSON object")
    unknown = set(plan) - SPEC_KEYS
    if unknown:
        raise ValueError("unknown reply plan key(s): %s" % ", ".join(sorted(unknown)))
    if plan.get("sign", "right") not in ("right", "wrong", "lower", "missing", "keep"):
        raise ValueError("sign must be right, wrong, lower, missing or keep")
    f = plan.get("fields")
    if f is not None and not isinstance(f, (dict, list)):
        raise ValueError("fields must be an object or a list of [name, value]")
    if isinstance(f, list):
        for item in f:
            if not (isinstance(item, list) and len(item) == 2 and isinstance(item[0], str)):
                raise ValueError("fields as a list must hold [name, value] pairs")
    if "raw_b64" in plan:
        base64.b64decode(plan["raw_b64"], validate=True)
    if not isinstance(plan.get("block_folder", ""), str):
        raise ValueError("block_folder must be a path")


def apply_spec_fields(items, plan):
    items = [(n, v) for n, v in items if n != "sign"]
    f = plan.get("fields") or {}
    pairs = list(f.items()) if isinstance(f, dict) else [tuple(p) for p in f]
    own_sign = None
    seen = set()
    for name, value in pairs:
        if name == "sign":
            own_sign = value
            continue
        if value is not None and not isinstance(value, (str, dict, list)):
            value = json.dumps(value) if isinstance(value, bool) else str(value)
        if name not in seen:
            # The first mention of a name replaces the default element in
            # place; a repeated name (list form) adds a further element.
            seen.add(name)
            idx = [i for i, (n, _) in enumerate(items) if n == name]
            if idx:
                items[idx[0]] = (name, value)
                continue
        items.append((name, value))
    omit = set(plan.get("omit") or [])
    items = [(n, v) for n, v in items if n not in omit and v is not None]
    return items, own_sign, "sign" in omit


def signed_items(items, plan, key):
    items, own_sign, omit_sign = apply_spec_fields(items, plan)
    mode = plan.get("sign", "right")
    pairs = [(n, v if isinstance(v, str) else None) for n, v in items]
    right = make_sign(pairs, key)
    if omit_sign or mode == "missing":
        return items
    if mode == "keep":
        return items + ([("sign", own_sign)] if own_sign is not None else [])
    if mode == "lower":
        return items + [("sign", right.lower())]
    if mode == "wrong":
        wrong = make_sign(pairs, key + "x")
        return items + [("sign", wrong)]
    return items + [("sign", right)]


# ---------------------------------------------------------------------------
# HTTP
# ---------------------------------------------------------------------------


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FakeGateway/1.0"
    sys_version = ""
    timeout = 60

    def setup(self):
        super().setup()
        if isinstance(self.connection, ssl.SSLSocket):
            # The handshake runs here, in the connection's own thread, so a
            # client that never completes it cannot stall the accept loop.
            self.connection.do_handshake()

    # -- plumbing ---------------------------------------------------------
    def log_message(self, fmt, *args):
        self.server.log("%s %s" % (self.address_string(), fmt % args))

    def read_body(self):
        te = self.headers.get("Transfer-Encoding", "")
        if "chunked" in te.lower():
            data = b""
            while True:
                line = self.rfile.readline()
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        n = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(n) if n > 0 else b""

    def send_plain(self, status, body, ctype="text/plain; charset=utf-8", extra=None):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_json(self, status, obj):
        body = json.dumps(obj, ensure_ascii=False, indent=1).encode("utf-8")
        self.send_plain(status, body, "application/json; charset=utf-8")

    def route(self):
        split = urllib.parse.urlsplit(self.path)
        return split.path, urllib.parse.parse_qs(split.query)

    # -- verbs ------------------------------------------------------------
    def do_GET(self):
        self.guarded(self._do_GET)

    def do_POST(self):
        self.guarded(self._do_POST)

    def guarded(self, fn):
        try:
            fn()
        except (ConnectionError, ssl.SSLError, TimeoutError):
            raise
        except Exception:
            import traceback
            text = traceback.format_exc()
            self.server.log("INTERNAL ERROR " + text)
            rec = self.new_record("", b"")
            rec["problems"].append("fake gateway internal error: " + text.strip().splitlines()[-1])
            self.store(rec)
            self.replied(rec, 500)
            try:
                self.send_plain(500, ("fake gateway internal error\n" + text).encode("utf-8"))
            except OSError:
                pass

    def _do_GET(self):
        path, query = self.route()
        if path.startswith("/__control/"):
            return self.control_get(path, query)
        norm = re.sub(r"/{2,}", "/", path)
        if norm == VERSION_PATH:
            return self.serve_version()
        files = self.server.state.public_config()["files"]
        if norm in files:
            return self.send_plain(200, base64.b64decode(files[norm]), "application/octet-stream")
        if norm in PATH_TO_OP or norm == "/":
            return self.send_plain(405, b"Method Not Allowed\n", extra={"Allow": "POST"})
        self.send_plain(404, b"Not Found\n")

    def _do_POST(self):
        path, query = self.route()
        body = self.read_body()
        if path.startswith("/__control/"):
            return self.control_post(path, body)
        self.serve_gateway(path, body)

    # -- control ------------------------------------------------------------
    def control_get(self, path, query):
        st = self.server.state
        if path == "/__control/health":
            return self.send_json(200, {"ok": True, "port": self.server.server_address[1],
                                        "base_url": self.server.base_url, "pid": os.getpid()})
        if path == "/__control/requests":
            with st.lock:
                recs = list(st.records)
            if "op" in query:
                recs = [r for r in recs if r["op"] in query["op"]]
            return self.send_json(200, recs)
        if path == "/__control/config":
            return self.send_json(200, st.public_config())
        if path == "/__control/script":
            with st.lock:
                return self.send_json(200, {op: list(q) for op, q in st.scripts.items() if q})
        self.send_json(404, {"ok": False, "error": "unknown control path " + path})

    def control_post(self, path, body):
        st = self.server.state
        try:
            data = json.loads(body.decode("utf-8")) if body.strip() else {}
        except (ValueError, UnicodeDecodeError) as e:
            return self.send_json(400, {"ok": False, "error": "body is not JSON: %s" % e})
        try:
            if path == "/__control/reset":
                st.reset()
                return self.send_json(200, {"ok": True})
            if path == "/__control/script":
                op = data.get("op")
                if op not in st.scripts:
                    raise ValueError("unknown op %r; one of %s" % (op, ", ".join(OP_NAMES)))
                replies = data.get("replies")
                if isinstance(replies, dict):
                    replies = [replies]
                if not isinstance(replies, list):
                    raise ValueError("replies must be a list of reply plans")
                for r in replies:
                    validate_spec(r)
                with st.lock:
                    st.scripts[op].extend(replies)
                    n = len(st.scripts[op])
                return self.send_json(200, {"ok": True, "op": op, "queued": n})
            if path == "/__control/config":
                st.apply_config(data)
                return self.send_json(200, {"ok": True, "config": st.public_config()})
        except (ValueError, TypeError, binascii.Error) as e:
            return self.send_json(400, {"ok": False, "error": str(e)})
        self.send_json(404, {"ok": False, "error": "unknown control path " + path})

    # -- gateway ------------------------------------------------------------
    def sent_path(self):
        # http.server folds a leading "//" into "/" (Python 3.11 and later); the record keeps
        # the path exactly as the client sent it on the request line.
        words = self.requestline.split()
        return words[1] if len(words) >= 2 else self.path

    def new_record(self, op, body):
        st = self.server.state
        with st.lock:
            st.seq += 1
            seq = st.seq
        return {"seq": seq, "time": time.time(),
                "time_text": datetime.datetime.now().isoformat(timespec="milliseconds"),
                "method": self.command, "path": self.sent_path(), "op": op,
                "content_type": self.headers.get("Content-Type", ""),
                "body_b64": base64.b64encode(body).decode("ascii"),
                "body": body.decode("utf-8", errors="replace"),
                "xml_ok": False, "fields": {}, "field_order": [], "decrypted": {},
                "sign_ok": None, "sign_expected": None, "layout_ok": False,
                "problems": [], "scripted": False, "reply_status": None, "reply_b64": ""}

    def store(self, rec):
        # Stored on arrival, so a test sees it while a delayed reply is pending;
        # reply_status stays null until the reply goes out.
        st = self.server.state
        with st.lock:
            st.records.append(rec)
        self.server.log("REQ #%d %s %s op=%s scripted=%s problems=%s" % (
            rec["seq"], rec["method"], rec["path"], rec["op"], rec["scripted"], rec["problems"]))

    def replied(self, rec, status, body=b""):
        with self.server.state.lock:
            rec["reply_status"] = status
            rec["reply_b64"] = base64.b64encode(body).decode("ascii")
        self.server.log("REP #%d status=%s bytes=%d" % (rec["seq"], status, len(body)))

    def serve_gateway(self, path, body):
        st = self.server.state
        norm = re.sub(r"/{2,}", "/", path)
        op = PATH_TO_OP.get(norm)
        at_base = norm == "/" or norm == ""
        if at_base:
            op = "queryStoreInfo"
        if op is None:
            rec = self.new_record("", body)
            rec["problems"].append("path: unknown path %s" % path)
            self.store(rec)
            self.replied(rec, 404, b"Not Found\n")
            return self.send_plain(404, b"Not Found\n")
        cfg = st.public_config()
        req = check_request(op, body, cfg["key"])
        inferred = False
        if at_base and req["xml_ok"]:
            guess = infer_op(req["field_order"])
            if guess and guess != "queryStoreInfo":
                note = "path: %s request posted to the base path %s (empty request path?)" % (guess, path)
                if cfg["base_path"] == "infer":
                    req = check_request(guess, body, cfg["key"])
                    op = guess
                    inferred = True
                req["problems"].insert(0, note)
        rec = self.new_record(op, body)
        for k in ("xml_ok", "fields", "field_order", "decrypted", "sign_ok", "sign_expected",
                  "layout_ok", "problems"):
            rec[k] = req[k]
        if "layout_diff" in req:
            rec["layout_diff"] = req["layout_diff"]
        # With base_path "infer" the note on the base path is recorded but does
        # not make the request fail.
        blocking = [p for p in req["problems"]
                    if not (inferred and p.startswith("path:"))]
        plan = st.pop_script(op)
        rec["scripted"] = plan is not None
        self.store(rec)
        if plan is None:
            plan = {}
            if not req["xml_ok"]:
                items = Replies.fail("XML格式错误")
            elif blocking and cfg["strict"]:
                only_sign = all(p.startswith("sign:") for p in blocking)
                items = Replies.fail("签名错误" if only_sign else "请求格式错误: " + blocking[0])
            else:
                items = self.server.replies.default(op, req)
        elif "raw" in plan or "raw_b64" in plan or plan.get("hangup"):
            items = []
        elif req["xml_ok"]:
            # A scripted reply starts from the default one (which also keeps
            # the session's orders up to date) and changes it.
            items = self.server.replies.default(op, req)
        else:
            items = Replies.fail("XML格式错误")
        enc = plan.get("encoding", "UTF-8")
        self.send_spec(rec, plan, lambda: build_xml(
            signed_items(items, plan, cfg["key"]),
            root=plan.get("root", "xml"), cdata=plan.get("cdata", True),
            encoding=enc, declaration=plan.get("declaration", True)),
            ctype="text/xml; charset=" + enc)

    def serve_version(self):
        st = self.server.state
        rec = self.new_record("version", b"")
        plan = st.pop_script("version")
        rec["scripted"] = plan is not None
        self.store(rec)
        plan = plan or {}
        cfg = st.public_config()
        if not plan and cfg["update_status"] != 200:
            plan = {"status": cfg["update_status"], "raw": "Not Found\n" if cfg["update_status"] == 404 else ""}
        fields = plan.get("fields")
        if isinstance(fields, list):
            fields = dict(fields)
        self.send_spec(rec, plan, lambda: self.server.replies.version_bytes(fields),
                       ctype="text/plain")

    def send_spec(self, rec, plan, make_body, ctype="text/xml; charset=UTF-8"):
        if "block_folder" in plan:
            block_folder(plan["block_folder"])
        delay = float(plan.get("delay", 0) or 0)
        if delay > 0:
            self.server.stopping.wait(delay)
        if plan.get("hangup"):
            self.replied(rec, 0)
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        if "raw_b64" in plan:
            body = base64.b64decode(plan["raw_b64"])
        elif "raw" in plan:
            body = str(plan["raw"]).encode("utf-8")
        else:
            body = make_body()
        status = int(plan.get("status", 200))
        extra = {}
        if "redirect" in plan:
            status = int(plan.get("status", 302))
            extra["Location"] = plan["redirect"]
            if "raw" not in plan and "raw_b64" not in plan:
                body = b""
        self.replied(rec, status, body)
        ctype = plan.get("content_type", ctype)
        if "drop" in plan and plan["drop"] is not False:
            d = plan["drop"]
            part = len(body) // 2 if d is True else max(0, min(int(d), len(body)))
            self.send_response(status)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(body) + 64))
            for k, v in extra.items():
                self.send_header(k, v)
            self.end_headers()
            self.wfile.write(body[:part])
            self.wfile.flush()
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        if plan.get("trickle"):
            self.send_trickle(status, body, ctype, float(plan["trickle"]))
            return
        self.send_plain(status, body, ctype, extra)

    def send_trickle(self, status, body, ctype, pause):
        """The whole length announced, then one byte every pause seconds."""
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.flush()
        self.close_connection = True
        try:
            for byte in body:
                if self.server.stopping.wait(pause):
                    return
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
        except OSError:
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, addr, log_file=None):
        super().__init__(addr, Handler)
        self.state = State()
        self.stopping = threading.Event()
        self.log_fp = open(log_file, "a", encoding="utf-8") if log_file else None
        self.log_lock = threading.Lock()
        self.scheme = "http"
        self.replies = None

    @property
    def base_url(self):
        return "%s://127.0.0.1:%d" % (self.scheme, self.server_address[1])

    def log(self, text):
        if self.log_fp:
            with self.log_lock:
                self.log_fp.write("%s %s\n" % (datetime.datetime.now().isoformat(timespec="milliseconds"), text))
                self.log_fp.flush()

    def handle_error(self, request, client_address):
        # A client that hangs up mid-reply is part of the tests; keep quiet.
        exc = sys.exc_info()[1]
        if isinstance(exc, (ConnectionError, ssl.SSLError, TimeoutError)):
            self.log("connection error from %s: %r" % (client_address, exc))
            return
        self.log("handler error from %s: %r" % (client_address, exc))
        super().handle_error(request, client_address)


def write_port_file(path, port):
    tmp = "%s.tmp.%d" % (path, os.getpid())
    with open(tmp, "w") as fp:
        fp.write("%d\n" % port)
    os.replace(tmp, path)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Fake payment gateway for the VelPay tests")
    ap.add_argument("--port", type=int, default=0, help="port to listen on, 0 = any free port")
    ap.add_argument("--port-file", help="write the chosen port here (atomically) once listening")
    ap.add_argument("--host", default="127.0.0.1", help="only 127.0.0.1 is allowed")
    ap.add_argument("--tls-cert", help="serve HTTPS with this certificate (PEM)")
    ap.add_argument("--tls-key", help="private key of --tls-cert (PEM)")
    ap.add_argument("--log", help="append a line per request to this file")
    ap.add_argument("--base-path", choices=("storeinfo", "infer"), default=None,
                    help="how to answer POST / (default storeinfo)")
    ap.add_argument("--exit-with-parent", action="store_true",
                    help="stop when the process that started us ends")
    args = ap.parse_args(argv)
    if args.host != "127.0.0.1":
        ap.error("--host: only 127.0.0.1 is allowed")
    if bool(args.tls_cert) != bool(args.tls_key):
        ap.error("--tls-cert and --tls-key go together")

    server = Server((args.host, args.port), args.log)
    if args.tls_cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.tls_cert, args.tls_key)
        server.socket = ctx.wrap_socket(server.socket, server_side=True,
                                       do_handshake_on_connect=False)
        server.scheme = "https"
    server.replies = Replies(server.state, server.base_url)
    if args.base_path:
        server.state.config["base_path"] = args.base_path
        DEFAULT_CONFIG["base_path"] = args.base_path

    stop = threading.Event()

    def on_signal(signum, frame):
        stop.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    t = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
    t.start()
    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    server.log("listening on %s" % server.base_url)
    sys.stderr.write("fake gateway listening on %s\n" % server.base_url)
    sys.stderr.flush()

    ppid = os.getppid()
    while not stop.wait(0.2):
        if args.exit_with_parent and os.getppid() != ppid:
            break
    server.stopping.set()
    server.shutdown()
    server.server_close()
    t.join(timeout=2)
    server.log("stopped")
    if server.log_fp:
        server.log_fp.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
