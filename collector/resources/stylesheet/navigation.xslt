<?xml version="1.0" encoding="UTF-8"?>
<!-- The navigation rows of every page, from the one navigation file beside the result files. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <!-- The folder of the result files, the navigation and the log: beside this stylesheet's folder. -->
  <xsl:param name="datafolder" select="'../'"/>
  <!-- Read from the file where a browser or xsltproc applies this stylesheet; the collector hands
       the navigation in with each page it renders, so that its processor reads no file itself. -->
  <xsl:param name="navigationFile" select="document(concat($datafolder, 'Navigation.xml'))/Navigation"/>
  <!-- The ending of the pages the navigation links to: the result files themselves where the
       browser applies this stylesheet, the pages the collector rendered beside them otherwise. -->
  <xsl:param name="linkext" select="'.xml'"/>

  <xsl:template name="navigation">
    <xsl:param name="copy" select="false()"/>
    <xsl:variable name="active" select="/GathrixResult/ActiveNavigation"/>
    <xsl:variable name="level1" select="$navigationFile/Level1Entry[Name = string($active/Level1/Name)][1]"/>
    <xsl:variable name="level2" select="$level1/Level2Entry[Name = string($active/Level2/Name)][1]"/>
    <xsl:variable name="level3" select="$level2/Level3Entry[Name = string($active/Level3/Name)][1]"/>
    <!-- The parts of a split file hang below the entity's last named level, whatever its depth. -->
    <xsl:variable name="split" select="$level3 | $level2[string($active/Level3/Name) = '']
                                       | $level1[string($active/Level2/Name) = '']"/>
    <div class="navigation">
      <xsl:call-template name="navigationRow">
        <xsl:with-param name="entries" select="$navigationFile/Level1Entry"/>
        <xsl:with-param name="activeName" select="string($active/Level1/Name)"/>
        <xsl:with-param name="rowClass" select="'navRow navLevel1'"/>
        <xsl:with-param name="copy" select="$copy"/>
      </xsl:call-template>
      <xsl:if test="$level1/Level2Entry">
        <xsl:call-template name="navigationRow">
          <xsl:with-param name="entries" select="$level1/Level2Entry"/>
          <xsl:with-param name="activeName" select="string($active/Level2/Name)"/>
          <xsl:with-param name="rowClass" select="'navRow navLevel2'"/>
          <xsl:with-param name="copy" select="$copy"/>
        </xsl:call-template>
      </xsl:if>
      <xsl:if test="$level2/Level3Entry">
        <xsl:call-template name="navigationRow">
          <xsl:with-param name="entries" select="$level2/Level3Entry"/>
          <xsl:with-param name="activeName" select="string($active/Level3/Name)"/>
          <xsl:with-param name="rowClass" select="'navRow navLevel3'"/>
          <xsl:with-param name="copy" select="$copy"/>
        </xsl:call-template>
      </xsl:if>
      <xsl:if test="$split/Level4Entry">
        <xsl:call-template name="navigationRow">
          <xsl:with-param name="entries" select="$split/Level4Entry"/>
          <xsl:with-param name="activeName" select="string($active/Level4/Name)"/>
          <xsl:with-param name="rowClass" select="'navRow navLevel4'"/>
          <xsl:with-param name="lead" select="'sub pages: '"/>
          <xsl:with-param name="copy" select="$copy"/>
        </xsl:call-template>
      </xsl:if>
    </div>
  </xsl:template>

  <xsl:template name="navigationRow">
    <xsl:param name="entries"/>
    <xsl:param name="activeName"/>
    <xsl:param name="rowClass"/>
    <xsl:param name="lead" select="''"/>
    <xsl:param name="copy" select="false()"/>
    <div class="{$rowClass}">
      <xsl:if test="$lead != ''">
        <span class="navLead"><xsl:value-of select="$lead"/></span>
      </xsl:if>
      <xsl:for-each select="$entries">
        <xsl:variable name="link">
          <xsl:call-template name="linkUrl">
            <xsl:with-param name="link" select="string(Link)"/>
            <xsl:with-param name="url" select="string(Link/@url)"/>
          </xsl:call-template>
        </xsl:variable>
        <xsl:variable name="stem" select="substring($link, 1, string-length($link) - 4)"/>
        <a class="navEntry" href="{$link}">
          <xsl:if test="substring($link, string-length($link) - 3) = '.xml'">
            <xsl:attribute name="href"><xsl:value-of select="concat($stem, $linkext)"/></xsl:attribute>
          </xsl:if>
          <!-- The visible row alone marks its active entry: an id is unique on a page. -->
          <xsl:if test="string(Name) = $activeName and not($copy)">
            <xsl:attribute name="id">divNavActive</xsl:attribute>
          </xsl:if>
          <xsl:if test="string(Name) = $activeName">
            <xsl:attribute name="class">navEntry navActive</xsl:attribute>
          </xsl:if>
          <xsl:value-of select="Name"/>
        </a>
      </xsl:for-each>
    </div>
  </xsl:template>

  <xsl:template match="ActiveNavigation"/>
</xsl:stylesheet>
