"""Type stub of the vekparser package (the _vekparser extension module's classes and functions)."""
import datetime
from typing import Iterator, Literal, Optional, Union

Buffer = Union[bytes, bytearray, memoryview]
Charset = Union[str, int, None]
TokenKind = Literal["tag", "comment", "text", "raw-text", "server-block", "section"]
Value = Union[None, bool, int, float, str, bytes, tuple[int, ...], datetime.datetime, tuple[bytes, int]]

class ASNError(ValueError):
    """BER data the decoder cannot read."""

class PrematureEOFError(ASNError):
    """BER data ends inside a value, or a length claims more than the data holds."""

class EOCError(ASNError):
    """End-of-contents octets where no indefinite-length value is open."""

class EncodingError(ValueError):
    """Text asked of a document whose charset is unknown."""

class Link(tuple[str, str]):
    """A link of a page: its target as written and its caption; a named tuple (url, caption)."""
    @property
    def url(self) -> str: ...
    @property
    def caption(self) -> str: ...

class Document:
    """A parsed HTML page; queries release the GIL and may run in several threads at once."""
    def text(self) -> str: ...
    def flat_text(self) -> str: ...
    def raw_text(self, limit: Optional[int] = None) -> bytes: ...
    def hidden_text(self, captions: bool = True, keywords: bool = True) -> str: ...
    def links(self) -> list[Link]: ...
    def dump(self) -> str: ...
    @property
    def base_uri(self) -> str: ...
    @property
    def redirect_uri(self) -> str: ...
    @property
    def meta_charset(self) -> str: ...
    @property
    def meta(self) -> dict[str, str]: ...
    @property
    def title(self) -> str: ...
    @property
    def subject(self) -> str: ...
    @property
    def author(self) -> str: ...
    @property
    def keywords(self) -> str: ...
    @property
    def charset(self) -> int:
        """The code page number the page's bytes were read in (65001 for UTF-8)."""
    @property
    def complete(self) -> bool:
        """False when elements nested too deep and the parse stopped there."""

class Node:
    """A decoded BER value."""
    @property
    def tag(self) -> Optional[int]:
        """The number of the context-specific tag that wrapped the value, or None."""
    @property
    def constructed(self) -> bool: ...
    @property
    def children(self) -> list[Node]: ...
    @property
    def type(self) -> Optional[str]:
        """'BigInteger', 'Integer', 'Null', 'WideString', 'Boolean', 'BitString', 'OctetString',
        'Real', 'Time' or 'ObjectIdentifier'; None for a constructed value."""
    @property
    def value(self) -> Value: ...
    @property
    def offset(self) -> int: ...
    @property
    def header_length(self) -> int: ...
    @property
    def length(self) -> Optional[int]:
        """Length of the contents octets; None for the indefinite form."""
    @property
    def tag_class(self) -> int: ...
    @property
    def tag_number(self) -> int: ...

class WarcRecord:
    """One record of a WARC file, or the place where one could not be read."""
    offset: int
    error: str
    type: str
    url: str
    record_id: str
    date: str
    headers: list[tuple[str, str]]
    http_headers: list[tuple[str, str]]
    status: int
    body: Optional[bytes]

def read_warc(path: str, *, start: int = 0, stop: Optional[int] = None) -> Iterator[WarcRecord]:
    """The records of a WARC file, plain or gzip'd, read as vekparse reads them; with start and
    stop only those whose offset lies in [start, stop), each record in exactly one such part."""

def parse_html(data: Buffer, charset: Charset = None, profile: str = "default") -> Document:
    """Parses an HTML page into a Document; charset None chooses it as vekparse does."""

def tokens(data: Buffer, charset: Charset = None) -> Iterator[tuple[TokenKind, int, int, str]]:
    """The tokenizer's elements: (kind, start, end, text), offsets in bytes of data."""

def decode_ber(data: Buffer) -> list[Node]:
    """The top-level values of BER or DER data."""

def decode_pem(text: Union[str, Buffer]) -> list[tuple[str, list[Node]]]:
    """Every PEM block: its label and its values."""

def escape(text: str, *, keep_delimiters: bool = False, numeric: bool = False) -> str: ...
def unescape(text: str) -> str: ...
def unescape_uri(text: str) -> str: ...
def expand(data: Buffer, charset: Union[str, int]) -> str:
    """Bytes in a charset (a name or a code page number) as str."""
