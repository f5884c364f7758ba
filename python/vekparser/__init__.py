"""VEKParser170NT from Python: fast, robust parsing of HTML pages and BER/ASN.1 data.

    >>> import vekparser
    >>> page = vekparser.parse_html(open("page.html", "rb").read())
    >>> page.title, page.text(), [link.url for link in page.links()]

HTML never raises: malformed markup is repaired. Malformed BER raises ASNError (PrematureEOFError
and EOCError beneath it). Parsing releases the GIL, so threads scale. vekparser.cluster runs the
vekparse commands over many files on a Dask cluster.
"""
from ._vekparser import (
    ASNError,
    Document,
    EncodingError,
    EOCError,
    Link,
    Node,
    PrematureEOFError,
    WarcRecord,
    decode_ber,
    decode_pem,
    escape,
    expand,
    parse_html,
    read_warc,
    tokens,
    unescape,
    unescape_uri,
)

__all__ = [
    "ASNError",
    "Document",
    "EncodingError",
    "EOCError",
    "Link",
    "Node",
    "PrematureEOFError",
    "WarcRecord",
    "decode_ber",
    "decode_pem",
    "escape",
    "expand",
    "parse_html",
    "read_warc",
    "tokens",
    "unescape",
    "unescape_uri",
]
